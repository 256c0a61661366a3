// The manual connection, the speed choice, the port list refresh and the
// file choice.
#include <termios.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/file_dialog.h"
#include "tests/app/sim_run.h"
#include "tests/support/fake_boot_loader.h"
#include "tests/support/hex_writer.h"
#include "tests/support/pty_peer.h"

namespace app_test {
namespace {

speed_t LineSpeed(const testing_support::PtyPeer& peer) {
  termios tio{};
  tcgetattr(peer.MasterFd(), &tio);
  return cfgetospeed(&tio);
}

void ChooseSpeed(app::TMainForm& form, int index) {
  form.SpeedBox->setCurrentIndex(index);
  emit form.SpeedBox->activated(index);
}

class ConnectionTest : public WindowTest {
 protected:
  ConnectionTest() { ports.push_back({peer.Path(), "Adapter", "usb"}); }
  testing_support::PtyPeer peer;
};

TEST_F(ConnectionTest, TwoClicksOpenAtTheChosenSpeedAndCloseAgain) {
  ChooseSpeed(*form, 2);
  EXPECT_EQ(form->unit.SpeedIndex, 2);
  form->CommPortBox->setCurrentIndex(0);
  form->ConnectBtn->click();
  EXPECT_EQ(form->ConnectBtn->text(), "Disconnect");
  EXPECT_TRUE(form->unit.PortConnected);
  EXPECT_TRUE(form->unit.comm.IsOpen());
  EXPECT_EQ(LineSpeed(peer), static_cast<speed_t>(B9600));

  form->ConnectBtn->click();
  EXPECT_EQ(form->ConnectBtn->text(), "Connect");
  EXPECT_FALSE(form->unit.PortConnected);
  EXPECT_FALSE(form->unit.comm.IsOpen());
  EXPECT_TRUE(messages.empty());
}

TEST_F(ConnectionTest, HandEditedSpeedOutsideTheTableConnectsAt115200) {
  form->unit.SpeedIndex = 9;
  form->CommPortBox->setCurrentIndex(0);
  form->ConnectBtn->click();
  ASSERT_TRUE(form->unit.comm.IsOpen());
  EXPECT_EQ(LineSpeed(peer), static_cast<speed_t>(B115200));
}

TEST_F(ConnectionTest, PortThatDoesNotOpenIsReportedAndNothingChanges) {
  for (const char* typed : {"", "/dev/no-such-port"}) {
    messages.clear();
    form->CommPortBox->setCurrentIndex(-1);
    form->CommPortBox->setEditText(typed);
    form->ConnectBtn->click();
    ASSERT_EQ(messages.size(), 1u) << typed;
    EXPECT_EQ(messages[0].text, "Unable to open Serial Port");
    EXPECT_EQ(form->ConnectBtn->text(), "Connect");
    EXPECT_FALSE(form->unit.PortConnected);
  }
}

TEST_F(ConnectionTest, ModuleCommandDuringAConnectionLeavesItOpen) {
  form->CommPortBox->setCurrentIndex(0);
  form->ConnectBtn->click();
  ASSERT_TRUE(form->unit.comm.IsOpen());
  form->ResetBtn->click();
  EXPECT_TRUE(form->unit.comm.IsOpen());
  EXPECT_TRUE(form->unit.PortConnected);
  // The connection still carries bytes.
  peer.Send("x");
  char byte[2] = {};  // the byte and the NUL behind it
  EXPECT_EQ(form->unit.comm.CommReadCount(byte, 1, 1000), 1);
  EXPECT_EQ(peer.Received(), "");
}

TEST_F(ConnectionTest, RefreshListsThePortsThatOpenInDiscoveryOrderWithNothingSelected) {
  testing_support::PtyPeer second;
  testing_support::PtyPeer held;
  comm::Comm holder;
  ASSERT_EQ(holder.CommOpen(held.Path().c_str(), 115200), 1);
  ports = {{second.Path(), "FTDI FT232R USB UART (A50285BI)", "usb"},
           {"/dev/no-such-port", "Gone", "usb"},
           {held.Path(), "Held", "pnp"},
           {peer.Path(), "Adapter", "usb"}};
  const QStringList expected = {
      QString::fromStdString(second.Path() + "   FTDI FT232R USB UART (A50285BI)   usb"),
      QString::fromStdString(peer.Path() + "   Adapter   usb")};
  for (int round = 0; round < 2; ++round) {
    form->RefreshBtn->click();
    QStringList listed;
    for (int i = 0; i < form->CommPortBox->count(); ++i) listed << form->CommPortBox->itemText(i);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(form->CommPortBox->currentIndex(), -1);
    EXPECT_EQ(form->CommPortBox->currentText(), "");
    EXPECT_EQ(form->unit.PortTable.Lookup(1), peer.Path());
  }
  // Once the other program lets go, the port is listed again.
  holder.CommClose();
  form->RefreshBtn->click();
  EXPECT_EQ(form->CommPortBox->count(), 3);
  EXPECT_EQ(form->unit.PortTable.Lookup(1), held.Path());
}

TEST_F(ConnectionTest, ProbeOpensEachPortAtTheSelectedSpeed) {
  // The list was filled when the window was first shown, before the saved
  // speed applied: the probe ran at 2400 baud.
  EXPECT_EQ(form->CommPortBox->count(), 1);
  EXPECT_EQ(LineSpeed(peer), static_cast<speed_t>(B2400));
  ChooseSpeed(*form, 2);
  form->RefreshBtn->click();
  EXPECT_EQ(LineSpeed(peer), static_cast<speed_t>(B9600));
  form->unit.SpeedIndex = 9;  // a hand-edited setting
  form->RefreshBtn->click();
  EXPECT_EQ(LineSpeed(peer), static_cast<speed_t>(B115200));
  EXPECT_FALSE(form->unit.comm.IsOpen());
}

TEST_F(ConnectionTest, ListHoldsEightyPorts) {
  ports.assign(81, {peer.Path(), "Adapter", "usb"});
  form->RefreshBtn->click();
  EXPECT_EQ(form->CommPortBox->count(), 80);
  EXPECT_EQ(form->unit.PortTable.Count(), 80u);
}

TEST_F(ConnectionTest, BrowsePutsTheChosenFileIntoTheFieldAndCancelKeepsIt) {
  QString filter;
  QString suffix;
  std::optional<QString> answer = QString::fromStdString(dir.File("fw.hex"));
  const app::FileDialogFunction saved = app::FileDialogRunner();
  app::FileDialogRunner() = [&](QFileDialog& dialog) {
    filter = dialog.nameFilters().join(";");
    suffix = dialog.defaultSuffix();
    return answer;
  };
  form->FileNameEdit->setText("old.hex");
  form->BrowseBtn->click();
  EXPECT_EQ(form->FileNameEdit->text().toStdString(), dir.File("fw.hex"));
  EXPECT_EQ(filter, "Hex Files (*.hex)");
  EXPECT_EQ(suffix, "hex");
  answer.reset();
  form->BrowseBtn->click();
  EXPECT_EQ(form->FileNameEdit->text().toStdString(), dir.File("fw.hex"));
  app::FileDialogRunner() = saved;
}

// A run against a scripted boot loader with clicks made between its ticks.
class ConnectionDuringRunTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    peer.SetResponder(boot_loader);
    std::map<std::uint32_t, std::uint8_t> bytes;
    for (std::uint32_t i = 0; i < 2048; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
    Prepare(peer.Path(), dir.File("image.hex"));
    form->StartISPChk->setChecked(false);
  }
  testing_support::FakeBootLoader boot_loader;
};

TEST_F(ConnectionDuringRunTest, ConnectAndRefreshLeaveTheRunIntact) {
  ChooseSpeed(*form, 0);
  form->LoadBtn->click();
  ASSERT_TRUE(form->unit.RunGoing);
  EXPECT_EQ(LineSpeed(peer), static_cast<speed_t>(B115200));  // a run always uses 115200
  EXPECT_FALSE(form->BrowseBtn->isEnabled());                 // no file dialog inside a tick
  ASSERT_TRUE(RunUntil([&] { return form->unit.engine.RunState().StateNumber >= 4; }, 10000));
  form->ConnectBtn->click();
  form->RefreshBtn->click();
  EXPECT_TRUE(form->unit.comm.IsOpen());
  EXPECT_TRUE(form->unit.PortConnected);
  EXPECT_EQ(form->ConnectBtn->text(), "Disconnect");
  EXPECT_EQ(form->CommPortBox->count(), 0);  // no port opens for the probe while the run holds one
  ASSERT_TRUE(WaitRunEnd());
  EXPECT_TRUE(form->BrowseBtn->isEnabled());
  EXPECT_EQ(form->unit.DisplayedProgress, 1000);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(form->unit.comm.IsOpen());
}

class FirmwareCommandTest : public SimRunTest {};

TEST_F(FirmwareCommandTest, ModuleCommandsReachTheModulesFirmware) {
  // A module whose firmware runs: its flash holds a valid vector table.
  const auto flash = ExpectedFlash(Pattern(64));
  testing_support::WriteTextFile(dir.File("fw.bin"), std::string(flash.begin(), flash.end()));
  sim = std::make_unique<testing_support::SimProcess>(std::vector<std::string>{
      ISP_SIM_PATH, "--flash-in", dir.File("fw.bin"), "--report", dir.File("report.json")});
  form->CommPortBox->setEditText(QString::fromStdString(sim->Path()));
  form->EA_BtnClick();
  form->CR_BtnClick();
  form->ResetBtn->click();
  EXPECT_FALSE(form->unit.comm.IsOpen());
  sim->Stop();
  const std::string report = testing_support::ReadFile(dir.File("report.json"));
  EXPECT_NE(report.find(R"("firmware_commands": [
    "EA=1",
    "CR",
    "*"
  ])"),
            std::string::npos)
      << report;
}

}  // namespace
}  // namespace app_test
