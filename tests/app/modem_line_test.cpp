// The modem lines that every user of the port leaves behind: DTR raised and
// RTS low while the port is open, DTR cleared once it is closed. On adapters
// that wire them to the module's RESET or ISP pin, anything else holds the
// module in reset or in its boot loader.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "tests/app/window_fixture.h"
#include "tests/support/fake_boot_loader.h"
#include "tests/support/flash_image.h"
#include "tests/support/hex_writer.h"
#include "tests/support/pty_peer.h"
#include "tests/support/recording_serial.h"

namespace app_test {
namespace {

using Sequence = std::vector<std::string>;
using comm::ModemLine;

// What one open of the port asks of the backend, from the open to the close.
Sequence OneOpen(int baud, bool writes) {
  Sequence sequence = {"open", "configure " + std::to_string(baud), "DTR on", "RTS off"};
  if (writes) sequence.push_back("write");
  sequence.insert(sequence.end(), {"drain", "DTR off", "close"});
  return sequence;
}

Sequence Joined(Sequence first, const Sequence& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// A window whose serial unit opens its ports through recording backends; the
// one listed port is a scripted boot loader that also echoes the module's
// commands.
class ModemLineTest : public WindowTest {
 protected:
  ModemLineTest() { ports.push_back({peer.Path(), "Adapter", "usb"}); }
  void SetUp() override {
    peer.SetResponder([this](const std::string& token) { return boot_loader(token); });
    WindowTest::SetUp();
    form->CommPortBox->setCurrentIndex(0);
  }
  std::unique_ptr<app::TMainForm> MakeForm() override {
    return std::make_unique<app::TMainForm>(nullptr, testing_support::RecordingSerialFactory(log));
  }
  void ChooseSpeed(int index) {
    form->SpeedBox->setCurrentIndex(index);
    emit form->SpeedBox->activated(index);
  }
  // The lines as they stand now: 'D' for DTR raised, 'R' for RTS raised,
  // '-' for a line that is low or was never set.
  std::string LinesNow() const {
    return std::string(log->LineNow(ModemLine::kDtr).value_or(false) ? "D" : "-") +
           (log->LineNow(ModemLine::kRts).value_or(false) ? "R" : "-");
  }

  std::shared_ptr<testing_support::SerialEventLog> log =
      std::make_shared<testing_support::SerialEventLog>();
  testing_support::PtyPeer peer;
  testing_support::FakeBootLoader boot_loader;
};

// The list is filled when the window is first shown, at 2400 baud.
const Sequence kShowProbe = OneOpen(2400, false);

TEST_F(ModemLineTest, ProbeOfEachListedPortRaisesAndDropsDtr) {
  EXPECT_EQ(log->Sequence(), kShowProbe);
  ChooseSpeed(3);
  form->RefreshBtn->click();
  EXPECT_EQ(log->Sequence(), Joined(kShowProbe, OneOpen(19200, false)));
  EXPECT_EQ(LinesNow(), "--");
}

TEST_F(ModemLineTest, ManualConnectionHoldsDtrUpAndRtsDownUntilItCloses) {
  ChooseSpeed(2);
  form->ConnectBtn->click();
  ASSERT_TRUE(form->unit.comm.IsOpen());
  EXPECT_EQ(LinesNow(), "D-");
  EXPECT_EQ(log->Sequence(), Joined(kShowProbe, {"open", "configure 9600", "DTR on", "RTS off"}));
  form->ConnectBtn->click();
  ASSERT_FALSE(form->unit.comm.IsOpen());
  EXPECT_EQ(LinesNow(), "--");
  EXPECT_EQ(log->Sequence(), Joined(kShowProbe, OneOpen(9600, false)));
}

struct CommandCase {
  const char* name;
  std::function<QPushButton*(app::TMainForm&)> button;
};

// Names the case in test listings.
void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << c.name;
}

class ModuleCommandLineTest : public ModemLineTest,
                              public ::testing::WithParamInterface<CommandCase> {};

TEST_P(ModuleCommandLineTest, CommandLeavesDtrClearedAfterItsClick) {
  GetParam().button(*form)->click();
  EXPECT_EQ(log->Sequence(), Joined(kShowProbe, OneOpen(115200, true)));
  EXPECT_EQ(LinesNow(), "--");
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ModuleCommandLineTest,
    ::testing::Values(CommandCase{"reset", [](app::TMainForm& f) { return f.ResetBtn; }},
                      CommandCase{"data_erase_all", [](app::TMainForm& f) { return f.EA_Btn; }},
                      CommandCase{"config_reset", [](app::TMainForm& f) { return f.CR_Btn; }}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(ModemLineTest, RunHoldsDtrUpAndRtsDownFromItsOpenToItsClose) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(testing_support::Pattern(600)));
  form->FileNameEdit->setText(QString::fromStdString(dir.File("image.hex")));
  form->StartISPChk->setChecked(false);
  log->Clear();

  // At every tick the port is open with DTR up and RTS down; a module
  // command or a refresh inside the run leaves the run's port alone.
  std::vector<std::string> lines_at_ticks;
  bool clicked_during_the_run = false;
  QObject::connect(form->Timer1, &QTimer::timeout, [&] {
    if (!form->unit.RunGoing) return;
    lines_at_ticks.push_back(LinesNow());
    if (form->unit.engine.RunState().StateNumber == 5 && !clicked_during_the_run) {
      clicked_during_the_run = true;
      form->ResetBtn->click();
      form->RefreshBtn->click();
    }
  });
  form->LoadBtn->click();
  ASSERT_TRUE(form->unit.RunGoing);
  ASSERT_TRUE(WaitRunEnd());
  EXPECT_EQ(form->unit.DisplayedProgress, 1000);

  EXPECT_TRUE(clicked_during_the_run);
  EXPECT_EQ(log->Sequence(), OneOpen(115200, true));
  ASSERT_GE(lines_at_ticks.size(), 10u);
  EXPECT_EQ(lines_at_ticks, std::vector<std::string>(lines_at_ticks.size(), "D-"));
  EXPECT_EQ(LinesNow(), "--");
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace app_test
