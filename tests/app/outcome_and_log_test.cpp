// What the window shows after a run and what the log holds, across runs
// that follow each other closely.
#include <sys/stat.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/status_bar.h"
#include "tests/app/window_fixture.h"
#include "tests/support/fake_boot_loader.h"
#include "tests/support/flash_image.h"
#include "tests/support/hex_writer.h"
#include "tests/support/pty_peer.h"

namespace app_test {
namespace {

// Runs against a scripted boot loader that accepts everything.
class OutcomeTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    peer.SetResponder([this](const std::string& token) { return boot_loader(token); });
    UseImage(testing_support::Pattern(1));
    form->StartISPChk->setChecked(false);
  }
  void UseImage(const testing_support::ByteMap& bytes) {
    testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
    Prepare(peer.Path(), dir.File("image.hex"));
  }
  QString Status() const { return form->StatusBar1->PanelText(0); }
  std::string Log() const { return testing_support::ReadFile(dir.File("commlog.txt")); }
  void RunToEnd() {
    form->LoadBtn->click();
    ASSERT_TRUE(form->unit.RunGoing);
    ASSERT_TRUE(WaitRunEnd());
  }

  testing_support::PtyPeer peer;
  testing_support::FakeBootLoader boot_loader;
};

TEST_F(OutcomeTest, CountdownOfTheFirstRunClearsTheNextRunsLoading) {
  RunToEnd();
  EXPECT_EQ(Status(), "Complete.");
  // The next run (a few blocks, several seconds) starts at once.
  UseImage(testing_support::Pattern(4096));
  form->LoadBtn->click();
  EXPECT_EQ(Status(), "Loading...");
  ASSERT_TRUE(RunUntil([&] { return Status().isEmpty(); }, 3000));
  EXPECT_TRUE(form->unit.RunGoing);
  ASSERT_TRUE(WaitRunEnd());
  EXPECT_EQ(Status(), "Complete.");
}

TEST_F(OutcomeTest, RunEndingDuringTheCountdownIsClearedWhenThatCountdownEnds) {
  RunToEnd();
  QElapsedTimer since_first_end;
  since_first_end.start();
  boot_loader.silent = true;  // the second run fails at synchronisation
  RunToEnd();
  EXPECT_EQ(Status(), "Failed!");
  const qint64 second_end = since_first_end.elapsed();
  ASSERT_LT(second_end, 2000) << "the second run outlasted the countdown";
  ASSERT_TRUE(RunUntil([&] { return Status().isEmpty(); }, 3000));
  // Cleared by the first countdown, not two seconds after the second run.
  EXPECT_LT(since_first_end.elapsed() - second_end, 1800);
  EXPECT_EQ(form->unit.DisplayedProgress, 0);
}

TEST_F(OutcomeTest, EachRunWritesTheLogAnewAndLaterCommandsLeaveIt) {
  RunToEnd();
  EXPECT_TRUE(Log().starts_with("Start?Synchronized"));
  boot_loader.silent = true;
  RunToEnd();
  EXPECT_EQ(Log(), "Start?End.");
  form->ResetBtn->click();  // a module command after the run
  EXPECT_TRUE(peer.WaitReceived(1, 2000));
  EXPECT_EQ(Log(), "Start?End.");
}

TEST_F(OutcomeTest, RunGoesOnWithoutALogThatCannotBeCreated) {
  std::filesystem::create_directory(dir.File("commlog.txt"));
  form->LoadBtn->click();
  EXPECT_EQ(form->unit.comm.CommLog, nullptr);
  ASSERT_TRUE(WaitRunEnd());
  EXPECT_EQ(Status(), "Complete.");
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("commlog.txt")));
}

TEST_F(OutcomeTest, LogNameThatIsASymbolicLinkLeavesItsTargetAlone) {
  testing_support::WriteTextFile(dir.File("victim"), "keep me");
  std::filesystem::create_symlink(dir.File("victim"), dir.File("commlog.txt"));
  form->LoadBtn->click();
  EXPECT_EQ(form->unit.comm.CommLog, nullptr);
  ASSERT_TRUE(WaitRunEnd());
  EXPECT_EQ(Status(), "Complete.");
  EXPECT_TRUE(messages.empty());  // the window says nothing of it
  EXPECT_EQ(testing_support::ReadFile(dir.File("victim")), "keep me");
}

}  // namespace
}  // namespace app_test
