// The module commands: one short command on the port for one click.
#include <QComboBox>
#include <QPushButton>

#include "app/monitor_box.h"
#include "app/symbol_button.h"
#include "tests/app/window_fixture.h"
#include "tests/support/pty_peer.h"

namespace app_test {
namespace {

struct CommandCase {
  const char* name;
  std::function<QPushButton*(app::TMainForm&)> button;
  const char* sent;
  std::vector<QString> lines;  // in the shown monitor
};

// Names the case in test listings.
void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << c.name;
}

class ModuleCommandTest : public WindowTest, public ::testing::WithParamInterface<CommandCase> {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // The module's firmware echoes each command line.
    peer.SetResponder([](const std::string& token) { return token + "\r\n"; });
    form->ListShowBtn->click();
    form->CommPortBox->setEditText(QString::fromStdString(peer.Path()));
  }
  testing_support::PtyPeer peer;
};

TEST_P(ModuleCommandTest, CommandGoesOutAndThePortClosesAgain) {
  const CommandCase& c = GetParam();
  c.button(*form)->click();
  EXPECT_TRUE(peer.WaitReceived(std::strlen(c.sent), 2000));
  EXPECT_EQ(peer.Received(), c.sent);
  EXPECT_FALSE(form->unit.comm.IsOpen());
  std::vector<QString> lines;
  for (int i = 0; i < form->MsgList->LineCount(); ++i) lines.push_back(form->MsgList->LineText(i));
  EXPECT_EQ(lines, c.lines);
  EXPECT_FALSE(form->unit.PortConnected);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ModuleCommandTest,
                         ::testing::Values(CommandCase{"reset",
                                                       [](app::TMainForm& f) { return f.ResetBtn; },
                                                       "*",
                                                       {"*"}},
                                           CommandCase{"data_erase_all",
                                                       [](app::TMainForm& f) { return f.EA_Btn; },
                                                       "EA=1\r",
                                                       {"EA=1", "EA=1[0D][0A]"}},
                                           CommandCase{"config_reset",
                                                       [](app::TMainForm& f) { return f.CR_Btn; },
                                                       "CR\r",
                                                       {"CR", "CR[0D][0A]"}}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(WindowTest, CommandOnAPortInUseDoesNothing) {
  testing_support::PtyPeer peer;
  comm::Comm holder;
  ASSERT_EQ(holder.CommOpen(peer.Path().c_str(), 115200), 1);
  form->ListShowBtn->click();
  form->CommPortBox->setEditText(QString::fromStdString(peer.Path()));
  form->ResetBtn->click();
  EXPECT_EQ(form->MsgList->LineCount(), 0);
  EXPECT_FALSE(form->unit.comm.IsOpen());
  EXPECT_TRUE(holder.IsOpen());
  EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, CommandWithoutAPortDoesNothing) {
  form->ListShowBtn->click();
  form->ResetBtn->click();
  EXPECT_EQ(form->MsgList->LineCount(), 0);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace app_test
