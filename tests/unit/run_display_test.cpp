#include "cli/run_display.h"

#include <nlohmann/json.hpp>

#include "cli/json_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A display writing into two strings, on a clock the test sets.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out_file = open_memstream(&out_buffer, &out_size);
    err_file = open_memstream(&err_buffer, &err_size);
  }
  void TearDown() override {
    std::fclose(out_file);
    std::fclose(err_file);
    std::free(out_buffer);
    std::free(err_buffer);
  }
  cli::RunDisplay Display(bool terminal, int width = 80) {
    return cli::RunDisplay(out_file, err_file, terminal, width, [this] { return now; });
  }
  std::string Out() {
    std::fflush(out_file);
    return std::string(out_buffer, out_size);
  }
  std::string Err() {
    std::fflush(err_file);
    return std::string(err_buffer, err_size);
  }
  // What a terminal would show last on its current line.
  std::string LastLine() {
    const std::string out = Out();
    std::string line = out.substr(out.rfind('\r') + 1);
    const std::size_t clear = line.find("\033[K");
    return clear == std::string::npos ? line : line.substr(0, clear);
  }

  double now = 100;
  std::FILE* out_file = nullptr;
  std::FILE* err_file = nullptr;
  char* out_buffer = nullptr;
  char* err_buffer = nullptr;
  std::size_t out_size = 0;
  std::size_t err_size = 0;
};

const isp::PartInfo& Lpc1768() {
  return *isp::FindPart(0x26013F37);
}

TEST_F(DisplayTest, PlainOutputIsOneLinePerPhaseAndEveryTenthOfTheWrite) {
  auto display = Display(false);
  display.PhaseBegun(isp::Phase::kSynchronise);
  display.Synchronised(false);
  display.PhaseBegun(isp::Phase::kIdentify);
  display.Identified(Lpc1768());
  display.PhaseBegun(isp::Phase::kErase);
  display.Erased({{0, 1}, {16, 16}});
  display.PhaseBegun(isp::Phase::kWrite);
  for (std::uint32_t done = 0; done <= 8192; done += 512) display.BytesWritten(done, 8192);
  now += 2;
  display.Written(8192);
  display.PhaseBegun(isp::Phase::kVerify);
  display.Verified({isp::VerifyMode::kRam, 8192, 64, 0, 64});
  display.PhaseBegun(isp::Phase::kRestart);
  display.Restarted();
  display.Finish(true);
  std::string expected =
      "Synchronise   ok\n"
      "Identify      LPC1768, 512 KiB flash\n"
      "Erase         sectors 0-1, 16 ok\n";
  // Each tenth at the first 512-byte step that reaches it.
  const int shown[] = {0, 1024, 2048, 2560, 3584, 4096, 5120, 6144, 6656, 7680, 8192};
  for (int tenth = 0; tenth <= 10; ++tenth) {
    expected += "Write         " + std::to_string(tenth * 10) + "% (" +
                std::to_string(shown[tenth]) + " of 8192 bytes)\n";
  }
  expected +=
      "Write         8192 bytes in 2.0 s (4.0 KiB/s)\n"
      "Verify        ok: the flash holds what the part received (M), 8192 bytes compared (the "
      "lowest 64 in RAM before their copy: the boot ROM hides them in flash)\n"
      "Restart       ok\n"
      "Complete.\n";
  EXPECT_EQ(Out(), expected);
  EXPECT_EQ(Err(), "");
}

TEST_F(DisplayTest, PlainOutputGivesEveryStepOfTenPercentABlockCrosses) {
  auto display = Display(false);
  display.PhaseBegun(isp::Phase::kWrite);
  // Three blocks: each crosses three or four steps of 10 %.
  for (std::uint32_t done = 0; done <= 3; ++done) display.BytesWritten(done, 3);
  display.BytesWritten(3, 3);  // the same again adds nothing
  EXPECT_EQ(Out(),
            "Write         0% (0 of 3 bytes)\n"
            "Write         10%\n"
            "Write         20%\n"
            "Write         30% (1 of 3 bytes)\n"
            "Write         40%\n"
            "Write         50%\n"
            "Write         60% (2 of 3 bytes)\n"
            "Write         70%\n"
            "Write         80%\n"
            "Write         90%\n"
            "Write         100% (3 of 3 bytes)\n");
}

// The result's seconds are the whole run's, from the report's start; the
// write's own time and its rate are members of their own.
TEST_F(DisplayTest, JsonResultTimesTheWholeRunAndTheWriteApart) {
  now = 100;
  cli::JsonReport report(out_file, [this] { return now; });
  now = 101;
  report.PhaseBegun(isp::Phase::kWrite);
  now = 105;
  report.Written(8192);
  now = 107.5;
  report.Finish(true);
  const std::string out = Out();
  const auto result = nlohmann::json::parse(out.substr(out.rfind('{')));
  EXPECT_EQ(result, (nlohmann::json{{"event", "result"},
                                    {"ok", true},
                                    {"bytes", 8192},
                                    {"seconds", 7.5},
                                    {"write_seconds", 4.0},
                                    {"rate", 2048.0}}));
}

TEST_F(DisplayTest, JsonNamesThePartAndEndsWithAResultWhenNothingWasSent) {
  cli::JsonReport report(out_file, [this] { return now; });
  report.Identified(Lpc1768());
  report.NotStarted();
  std::vector<nlohmann::json> events;
  std::istringstream lines(Out());
  for (std::string line; std::getline(lines, line);) events.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].at("part"), "LPC1768");
  EXPECT_EQ(events[0].at("part_id"), 0x26013F37);
  EXPECT_EQ(events[0].at("flash_size"), 512 * 1024);
  EXPECT_EQ(events[1].at("event"), "result");
  EXPECT_FALSE(events[1].at("ok").get<bool>());
}

TEST_F(DisplayTest, TerminalShowsABarWithRateAndTimeLeftFittedToItsWidth) {
  for (const int width : {120, 80, 60}) {
    auto display = Display(true, width);
    display.PhaseBegun(isp::Phase::kWrite);
    display.BytesWritten(0, 8192);
    const std::string first = LastLine();
    now += 2;
    display.BytesWritten(4096, 8192);
    const std::string line = LastLine();
    EXPECT_LE(static_cast<int>(line.size()), width - 1) << width;
    EXPECT_TRUE(line.starts_with("Write         [")) << line;
    EXPECT_TRUE(line.ends_with("] 50%  2.0 KiB/s  2 s left")) << line;
    // The bar fills the width its figures at their widest leave, whatever
    // they are now.
    const std::size_t bar = line.find(']') - line.find('[') - 1;
    EXPECT_EQ(static_cast<int>(bar), width - 1 - 14 - 2 - 33) << width;
    EXPECT_EQ(first.find(']'), line.find(']')) << first;
    EXPECT_EQ(line.substr(line.find('[') + 1, bar),
              std::string(bar / 2, '#') + std::string(bar - bar / 2, '.'));
  }
}

TEST_F(DisplayTest, NarrowTerminalDropsTheBarButKeepsTheFigures) {
  auto display = Display(true, 50);
  display.PhaseBegun(isp::Phase::kWrite);
  now += 1;
  display.BytesWritten(1024, 4096);
  EXPECT_EQ(LastLine(), "Write          25%  1.0 KiB/s  3 s left");
  // Narrower still, the line is cut at the terminal's edge.
  auto narrower = Display(true, 30);
  narrower.PhaseBegun(isp::Phase::kWrite);
  now += 1;
  narrower.BytesWritten(1024, 4096);
  EXPECT_EQ(LastLine(), "Write          25%  1.0 KiB/s");
}

TEST_F(DisplayTest, PhaseUnderWayIsShownInPlaceAndReplacedByItsLine) {
  auto display = Display(true);
  display.PhaseBegun(isp::Phase::kSynchronise);
  EXPECT_EQ(LastLine(), "Synchronise   ...");
  display.Synchronised(true);
  EXPECT_EQ(Out(),
            "\rSynchronise   ...\033[K\r\033[KSynchronise   ok (the part was already "
            "synchronised)\n");
}

TEST_F(DisplayTest, ErrorsAndWarningsTakeALineOfTheirOwn) {
  auto display = Display(true);
  display.PhaseBegun(isp::Phase::kWrite);
  display.BytesWritten(0, 4096);
  display.Warned({isp::WarningKind::kResends, isp::ProtectionLevel::kNone, 2});
  display.Error("Verify failed at 0x00001000");
  display.Finish(false);
  EXPECT_EQ(Err(),
            "Warning: the part asked for 2 data block(s) again: the line is noisy\n"
            "Error: Verify failed at 0x00001000\n");
  const std::string out = Out();
  EXPECT_TRUE(out.ends_with("\r\033[KFailed!\n")) << out;
  // The bar was taken off before each message.
  EXPECT_EQ(out.find("\r\033[K\r\033[K"), std::string::npos);
}

TEST_F(DisplayTest, BarFollowsTheWidthAskedBeforeEachRedraw) {
  int columns = 120;
  cli::RunDisplay display(
      out_file, err_file, cli::RunDisplay::Style{true, false, false, false},
      [&columns] { return columns; }, [this] { return now; });
  display.PhaseBegun(isp::Phase::kWrite);
  now += 1;
  display.BytesWritten(1024, 4096);
  const std::string wide = LastLine();
  EXPECT_EQ(static_cast<int>(wide.find(']') - wide.find('[') - 1), 120 - 1 - 14 - 2 - 33) << wide;
  columns = 50;  // the terminal was made narrower
  display.BytesWritten(2048, 4096);
  EXPECT_EQ(LastLine(), "Write          50%  2.0 KiB/s  1 s left");
}

TEST_F(DisplayTest, QuietShowsOnlyErrorsAndTheLastLine) {
  for (const bool terminal : {false, true}) {
    cli::RunDisplay display(
        out_file, err_file, cli::RunDisplay::Style{terminal, false, false, true}, [] { return 80; },
        [this] { return now; });
    display.PhaseBegun(isp::Phase::kSynchronise);
    display.Synchronised(false);
    display.PhaseBegun(isp::Phase::kWrite);
    display.BytesWritten(512, 1024);
    display.Written(1024);
    display.Warned({isp::WarningKind::kResends, isp::ProtectionLevel::kNone, 2});
    display.FileKept("commlog.txt", "/tmp/commlog.txt");
    display.Error("Verify failed at 0x00001000");
    display.Finish(false);
  }
  EXPECT_EQ(Out(), "Failed!\nFailed!\n");
  EXPECT_EQ(Err(), "Error: Verify failed at 0x00001000\nError: Verify failed at 0x00001000\n");
}

TEST_F(DisplayTest, ColourMarksTheErrorAndTheResult) {
  cli::RunDisplay display(
      out_file, err_file, cli::RunDisplay::Style{true, true, true, false}, [] { return 80; },
      [this] { return now; });
  display.Warning("noisy line");
  display.Error("no answer");
  display.Finish(false);
  EXPECT_EQ(Err(), "\033[33mWarning:\033[0m noisy line\n\033[31mError:\033[0m no answer\n");
  EXPECT_EQ(Out(), "\033[31mFailed!\033[0m\n");
}

TEST_F(DisplayTest, WidthOfSomethingThatIsNoTerminalIsEighty) {
  EXPECT_EQ(cli::RunDisplay::TerminalWidth(out_file), 80);
}

}  // namespace
