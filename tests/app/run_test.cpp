// Programming runs through the window: the click on Load, the ticks of
// Timer1, and what the operator sees on the way.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/status_bar.h"
#include "app/status_light.h"
#include "tests/app/sim_run.h"
#include "tests/support/hex_writer.h"
#include "tests/support/recording_window.h"

namespace app_test {
namespace {

using testing_support::RecordingWindow;

// A window that writes down every light the engine and the run control show
// or colour (grey aside), with the lights as they look right after.
class RecordingForm : public app::TMainForm {
 public:
  void ShowLight(isp::Light light) override {
    TMainForm::ShowLight(light);
    events.push_back("show " + RecordingWindow::Name(light) + " " + LightRow(*this));
  }
  void SetLightState(isp::Light light, isp::LightState state) override {
    TMainForm::SetLightState(light, state);
    if (state == isp::LightState::Idle) return;
    events.push_back(RecordingWindow::Name(light) + " " + RecordingWindow::ColourName(state) + " " +
                     LightRow(*this));
  }
  std::vector<std::string> events;
};

class WindowRunTest : public SimRunTest {
 protected:
  std::unique_ptr<app::TMainForm> MakeForm() override { return std::make_unique<RecordingForm>(); }
  RecordingForm& Recording() { return static_cast<RecordingForm&>(*form); }
  QString Status() const { return form->StatusBar1->PanelText(0); }

  // The controls of the window that nothing ever shows.
  bool HiddenForGood() const {
    const QWidget* const controls[] = {form->SpeedBox, form->Label19, form->ConnectBtn,
                                       form->EA_Btn, form->CR_Btn};
    return std::all_of(std::begin(controls), std::end(controls),
                       [](const QWidget* control) { return control->isHidden(); });
  }

  void ExpectIdleAfterTheRun() {
    EXPECT_TRUE(form->ProgressPanel->isHidden());
    EXPECT_EQ(form->ConnectedPanel->TextColour(), app::kLightGrey);
    EXPECT_FALSE(form->unit.PortConnected);
    EXPECT_EQ(form->ConnectBtn->text(), "Connect");
    EXPECT_FALSE(form->unit.comm.IsOpen());
    EXPECT_EQ(form->unit.comm.CommLog, nullptr);
    EXPECT_FALSE(form->Timer1->isActive());
  }
};

TEST_F(WindowRunTest, RunProgramsThePartAndShowsItsCourse) {
  const ByteMap bytes = Pattern(1536);
  StartSim(bytes);
  form->unit.comm.SlowTicks(kLoadedMachineTickSlowdown);
  std::vector<int> progress;
  std::vector<QString> statuses;
  QElapsedTimer since_end;
  // Connected after the window's own handler, so it sees each tick's result.
  QObject::connect(form->Timer1, &QTimer::timeout, [&] {
    progress.push_back(form->unit.DisplayedProgress);
    statuses.push_back(Status());
    if (!form->unit.RunGoing) since_end.start();
  });

  form->LoadBtn->click();
  EXPECT_EQ(Status(), "Loading...");
  EXPECT_TRUE(form->unit.PortConnected);
  EXPECT_EQ(form->ConnectBtn->text(), "Disconnect");
  EXPECT_NE(form->unit.comm.CommLog, nullptr);
  EXPECT_TRUE(form->Timer1->isActive());
  ASSERT_TRUE(WaitRunEnd());

  const std::vector<std::string> lights = {
      "ConnectedPanel green G------", "show SyncPanel Gg-----",    "SyncPanel green GG-----",
      "show UnlockPanel GGg----",     "show ErasedPanel GGgg---",  "UnlockPanel green GGGg---",
      "show BlankPanel GGGgg--",      "ErasedPanel green GGGGg--", "show ProgPanel GGGGgg-",
      "BlankPanel green GGGGGg-",     "ProgPanel green GGGGGG-",   "show RestartPanel GGGGGGg",
      "RestartPanel green GGGGGGG"};
  EXPECT_EQ(Recording().events, lights);
  EXPECT_EQ(form->ErasedPanel->Caption(), "Erase 0-0\r");
  // States 0 to 8, the three blocks of 1536 bytes, the restart.
  EXPECT_EQ(progress, (std::vector<int>{0, 0, 1, 2, 3, 3, 3, 3, 3, 333, 666, 999, 1000}));
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), "Complete.");
  statuses.pop_back();
  for (const QString& status : statuses) EXPECT_EQ(status, "Loading...");
  ExpectIdleAfterTheRun();
  EXPECT_TRUE(form->StatusTimer->isActive());
  EXPECT_TRUE(HiddenForGood());

  EXPECT_TRUE(Flash() == ExpectedFlash(bytes));
  const std::string log = Log();
  EXPECT_TRUE(log.starts_with("Start?Synchronized\r\n")) << log.substr(0, 40);
  EXPECT_TRUE(log.ends_with("End."));

  // Two seconds after the end the outcome clears.
  ASSERT_TRUE(RunUntil([&] { return Status().isEmpty(); }, 5000));
  EXPECT_GE(since_end.elapsed(), 1900);
  EXPECT_EQ(form->unit.DisplayedProgress, 0);
  EXPECT_FALSE(form->StatusTimer->isActive());
  EXPECT_TRUE(messages.empty());
}

struct FailureCase {
  const char* name;
  std::vector<std::string> sim_flags;
  const char* message;  // "" when the failure is silent
  const char* lights_while_message_open;
  bool rejected_block_saved;
};

// Names the case in test listings.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class FailingRunTest : public WindowRunTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailingRunTest, FailureIsShownAndTheRunEndsCleanly) {
  const FailureCase& c = GetParam();
  StartSim(Pattern(1536), c.sim_flags);
  form->LoadBtn->click();
  ASSERT_TRUE(WaitRunEnd());

  if (std::string(c.message).empty()) {
    EXPECT_TRUE(messages.empty());
  } else {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, c.message);
    EXPECT_EQ(messages[0].lights, c.lights_while_message_open);
    EXPECT_TRUE(messages[0].progress_panel_shown);
  }
  EXPECT_EQ(Status(), "Failed!");
  EXPECT_EQ(form->unit.DisplayedProgress, -1);
  ExpectIdleAfterTheRun();
  EXPECT_EQ(std::filesystem::exists(dir.File("block.bin")), c.rejected_block_saved);
  const std::string log = Log();
  EXPECT_TRUE(log.starts_with("Start?"));
  EXPECT_TRUE(log.ends_with("End."));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailingRunTest,
    ::testing::Values(
        FailureCase{"silent_part", {"--silent"}, "Part not responding", "GR-----", false},
        FailureCase{"unlock_refused", {"--fail-unlock"}, "Unlock failed", "GGR----", false},
        // A boot loader that echoes every byte as it comes: the reply hides in the echo.
        FailureCase{
            "exact_echo_dialect", {"--echo", "exact"}, "Part not synchronized", "GR-----", false},
        FailureCase{"copy_never_answered", {"--no-copy-reply"}, "", "", false},
        FailureCase{"line_cut_during_the_last_copy", {"--hangup-at-copy", "3"}, "", "", false},
        FailureCase{"checksum_resend", {"--resend-block", "1"}, "", "", true}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

struct NoStartCase {
  const char* name;
  const char* port;
  const char* file;  // "" for the empty field, else a name in the test directory
  const char* message;
  const char* lights_while_message_open;
};

// Names the case in test listings.
void PrintTo(const NoStartCase& c, std::ostream* os) {
  *os << c.name;
}

class RunNotStartedTest : public WindowRunTest,
                          public ::testing::WithParamInterface<NoStartCase> {};

TEST_P(RunNotStartedTest, NothingIsLeftOpen) {
  const NoStartCase& c = GetParam();
  testing_support::WriteTextFile(dir.File("image.hex"), ":0100000000FF\n:00000001FF\n");
  // Files that hold no firmware, or not all of it, and a FIFO that would
  // freeze the window if it were opened for reading.
  testing_support::WriteTextFile(dir.File("empty.hex"), "");
  testing_support::WriteTextFile(dir.File("truncated.hex"), ":0100000000FF\n");
  ASSERT_EQ(mkfifo(dir.File("fifo.hex").c_str(), 0600), 0);
  Prepare(c.port, std::string(c.file).empty() ? "" : dir.File(c.file));
  form->LoadBtn->click();

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, c.message);
  EXPECT_EQ(messages[0].lights, c.lights_while_message_open);
  ExpectIdleAfterTheRun();
  EXPECT_FALSE(form->unit.RunGoing);
  EXPECT_EQ(Status(), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("commlog.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, RunNotStartedTest,
    ::testing::Values(
        NoStartCase{"port_that_does_not_open", "/nonexistent/tty", "image.hex",
                    "Unable to open Serial Port", "R------"},
        NoStartCase{"no_port_named", "", "image.hex", "Unable to open Serial Port", "R------"},
        NoStartCase{"empty_file_field", "/nonexistent/tty", "", "Unable to open file.", "ggggggg"},
        NoStartCase{"file_without_data", "/nonexistent/tty", "empty.hex",
                    "Invalid HEX file: no data records", "ggggggg"},
        NoStartCase{"truncated_file", "/nonexistent/tty", "truncated.hex",
                    "Invalid HEX file: line 2: no end-of-file "
                    "record (is the file truncated?)",
                    "ggggggg"},
        NoStartCase{"fifo", "/nonexistent/tty", "fifo.hex", "Unable to open file.", "ggggggg"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace app_test
