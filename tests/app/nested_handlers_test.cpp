// With the monitor shown the window handles clicks between two monitor
// lines, inside a tick of a run. None of them may disturb the run.
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "app/monitor_box.h"
#include "app/status_bar.h"
#include "app/symbol_button.h"
#include "tests/app/sim_run.h"

namespace app_test {
namespace {

// Runs that must succeed: the window's clock slowed for a loaded machine.
class NestedHandlersTest : public SimRunTest {
 protected:
  void SetUp() override {
    SimRunTest::SetUp();
    form->unit.comm.SlowTicks(kLoadedMachineTickSlowdown);
  }
};

// Between two ticks Timer1 runs; inside a tick it is stopped.
bool InsideATick(const app::TMainForm& form) {
  return form.unit.RunGoing && !form.Timer1->isActive();
}

TEST_F(NestedHandlersTest, ClicksDuringATickLeaveTheRunItsPortAndItsLogAlone) {
  const ByteMap bytes = Pattern(2048);
  StartSim(bytes);
  form->ListShowBtn->click();
  form->LoadBtn->click();
  ASSERT_TRUE(form->unit.RunGoing);
  std::FILE* const run_log = form->unit.comm.CommLog;

  struct Click {
    const char* name;
    std::function<void()> click;
  };
  // Hiding the monitor comes last: without it nothing lets a click in
  // during a tick.
  const std::vector<Click> clicks = {
      {"Load", [&] { form->LoadBtn->click(); }},
      {"Clear", [&] { form->ClearBtn->click(); }},
      {"Reset Module", [&] { form->ResetBtn->click(); }},
      {"hide monitor", [&] { form->ListShowBtn->click(); }},
  };
  std::size_t done = 0;
  std::vector<std::string> trouble;
  QTimer clicker;
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    // Wait for the block transfer, so the Load click finds a state to reset.
    if (done == clicks.size() || !InsideATick(*form) ||
        form->unit.engine.RunState().StateNumber < 9) {
      return;
    }
    const isp::IspRunState before = form->unit.engine.RunState();
    clicks[done].click();
    const isp::IspRunState after = form->unit.engine.RunState();
    if (!form->unit.comm.IsOpen())
      trouble.push_back(std::string(clicks[done].name) + ": port closed");
    if (form->unit.comm.CommLog != run_log)
      trouble.push_back(std::string(clicks[done].name) + ": log changed");
    if (after.StateNumber != before.StateNumber || after.ImagePosition != before.ImagePosition) {
      trouble.push_back(std::string(clicks[done].name) + ": run state changed");
    }
    ++done;
  });
  clicker.start(1);

  ASSERT_TRUE(WaitRunEnd());
  EXPECT_EQ(done, clicks.size());
  EXPECT_EQ(trouble, std::vector<std::string>{});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(form->StatusBar1->PanelText(0), "Complete.");
  EXPECT_TRUE(Flash() == ExpectedFlash(bytes));
  const std::string log = Log();
  EXPECT_TRUE(log.starts_with("Start?Synchronized"));
  EXPECT_TRUE(log.ends_with("End."));
  EXPECT_EQ(form->unit.MonitorShown, 0);
  // Cleared during the run, the monitor shows what passed until it was hidden.
  EXPECT_GT(form->MsgList->LineCount(), 0);
  EXPECT_FALSE(form->MsgList->LineText(0).startsWith("?"));
}

TEST_F(NestedHandlersTest, ClosingTheWindowDuringARunKeepsWhatWasLogged) {
  StartSim(Pattern(4096));
  form->LoadBtn->click();
  ASSERT_TRUE(RunUntil([&] { return form->unit.engine.RunState().StateNumber >= 9; }, 30000));
  form->close();
  // Closing does not end the run, but what it logged is on the disk.
  const std::string logged = Log();
  EXPECT_TRUE(logged.starts_with("Start?Synchronized"));
  EXPECT_NE(logged.find("I 0 0\r"), std::string::npos);
  form.reset();
  const std::string kept = Log();
  EXPECT_TRUE(kept.starts_with(logged));
  EXPECT_FALSE(kept.ends_with("End."));
  // The port went with the window: the simulator sees the hang-up and ends.
  EXPECT_TRUE(sim->WaitExit(std::chrono::seconds(5)).has_value());
}

}  // namespace
}  // namespace app_test
