// What a user sees on a terminal, and what a script reads with --json,
// from tarvo-cli run against the simulator.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "tests/e2e/e2e_fixture.h"
#include "tests/support/terminal_process.h"

namespace e2e {
namespace {

using testing_support::Pattern;
using testing_support::ScreenSegments;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::vector<nlohmann::json> JsonEvents(const std::string& out) {
  std::vector<nlohmann::json> events;
  for (const std::string& line : Lines(out)) events.push_back(nlohmann::json::parse(line));
  return events;
}

// The events' "event" members, with progress events taken out.
std::vector<std::string> Kinds(const std::vector<nlohmann::json>& events) {
  std::vector<std::string> kinds;
  for (const auto& event : events) {
    const std::string kind = event.at("event");
    if (kind == "phase") {
      kinds.push_back("phase " + event.at("phase").get<std::string>());
    } else if (kind != "progress") {
      kinds.push_back(kind);
    }
  }
  return kinds;
}

// Every place an "Error:" begins is the start of a line: after a line break,
// or after the in-place line was cleared.
void ExpectErrorsOnLinesOfTheirOwn(const std::string& screen) {
  for (std::size_t at = screen.find("Error:"); at != std::string::npos;
       at = screen.find("Error:", at + 1)) {
    std::size_t start = at;
    // A colour code may come first.
    if (start >= 5 && screen.compare(start - 5, 5, "\033[31m") == 0) start -= 5;
    const bool after_break = start > 0 && screen[start - 1] == '\n';
    const bool after_clear = start >= 4 && screen.compare(start - 4, 4, "\r\033[K") == 0;
    EXPECT_TRUE(start == 0 || after_break || after_clear)
        << testing::PrintToString(screen.substr(start < 60 ? 0 : start - 60, 80));
  }
}

class TerminalTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    if (kUnderWine) GTEST_SKIP() << "a Windows console is no pseudo-terminal";
  }
  testing_support::TerminalResult OnTerminal(const std::vector<std::string>& args, int columns,
                                             const std::vector<std::string>& environment,
                                             const std::string& resize_on = "", int resize_to = 0) {
    std::vector<std::string> argv = {TARVO_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing_support::RunOnTerminal(argv, dir.Path().string(), columns, environment,
                                          resize_on, resize_to);
  }
  std::vector<std::string> ProgramArgs(std::uint32_t size, std::vector<std::string> extra = {}) {
    testing_support::WriteTextFile(dir.File("image.hex"),
                                   testing_support::HexFromBytes(Pattern(0, size)));
    std::vector<std::string> args = {"program", "--no-start-isp", "--port", sim->Path()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back("image.hex");
    return args;
  }
};

struct WidthCase {
  int columns;
  bool bar;  // wide enough for the bar beside its figures
};

class TerminalWidthTest : public TerminalTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(TerminalWidthTest, EveryRedrawFitsTheTerminalAndTheResultIsInColour) {
  const WidthCase& c = GetParam();
  StartSim({"--baud-rate", "115200"});
  const auto result = OnTerminal(ProgramArgs(0x4000), c.columns, {"TERM=xterm", "-NO_COLOR"});
  ASSERT_EQ(result.exit_status, 0) << result.screen;
  int bars = 0;
  for (const std::string& segment : testing_support::RedrawnSegments(result.screen)) {
    EXPECT_LT(static_cast<int>(segment.size()), c.columns) << segment;
    if (segment.starts_with("Write         [")) ++bars;
  }
  EXPECT_EQ(bars > 0, c.bar) << result.screen;
  EXPECT_NE(result.screen.find("\033[32mComplete.\033[0m\n"), std::string::npos);
  EXPECT_NE(result.screen.find("% "), std::string::npos) << "no progress shown";
}

INSTANTIATE_TEST_SUITE_P(Columns, TerminalWidthTest,
                         ::testing::Values(WidthCase{40, false}, WidthCase{120, true}),
                         [](const ::testing::TestParamInfo<WidthCase>& param_info) {
                           return std::to_string(param_info.param.columns) + "_columns";
                         });

TEST_F(TerminalTest, BarFollowsATerminalMadeNarrowerDuringTheWrite) {
  StartSim({"--baud-rate", "115200"});
  const auto result = OnTerminal(ProgramArgs(0x8000), 120, {"TERM=xterm"}, "Write         [", 50);
  ASSERT_EQ(result.exit_status, 0) << result.screen;
  std::vector<std::string> writes;
  for (const std::string& segment : ScreenSegments(result.screen)) {
    if (segment.starts_with("Write         ") && segment.find('%') != std::string::npos)
      writes.push_back(segment);
  }
  ASSERT_GE(writes.size(), 2u) << result.screen;
  EXPECT_GT(writes.front().size(), 50u) << writes.front();
  // The last redraws of the write come after the resize.
  EXPECT_LT(writes.back().size(), 50u) << writes.back();
  EXPECT_EQ(writes.back().find('['), std::string::npos) << writes.back();
}

struct ColourCase {
  const char* name;
  std::vector<std::string> environment;
  bool colour;
  bool redraw;  // the line under way redrawn in place
};

class ColourTest : public TerminalTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourTest, ColourAndRedrawFollowTheEnvironment) {
  const ColourCase& c = GetParam();
  StartSim({"--fail-erase"});
  const auto result = OnTerminal(ProgramArgs(0x400), 80, c.environment);
  EXPECT_EQ(result.exit_status, 1) << result.screen;
  const bool coloured = result.screen.find("\033[31mError:\033[0m") != std::string::npos &&
                        result.screen.find("\033[31mFailed!\033[0m") != std::string::npos;
  EXPECT_EQ(coloured, c.colour) << testing::PrintToString(result.screen);
  if (!c.colour) {
    EXPECT_EQ(result.screen.find("\033[3"), std::string::npos);
  }
  EXPECT_EQ(result.screen.find("\033[K") != std::string::npos, c.redraw);
  ExpectErrorsOnLinesOfTheirOwn(result.screen);
  EXPECT_NE(result.screen.find("BUSY"), std::string::npos) << result.screen;
}

INSTANTIATE_TEST_SUITE_P(
    Environments, ColourTest,
    ::testing::Values(ColourCase{"plain_terminal", {"TERM=xterm", "-NO_COLOR"}, true, true},
                      ColourCase{"no_color", {"TERM=xterm", "NO_COLOR=1"}, false, true},
                      // An empty NO_COLOR asks for nothing.
                      ColourCase{"empty_no_color", {"TERM=xterm", "NO_COLOR="}, true, true},
                      ColourCase{"dumb_terminal", {"TERM=dumb", "-NO_COLOR"}, false, false}),
    [](const ::testing::TestParamInfo<ColourCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(TerminalTest, ClassicBarFitsANarrowTerminalAndItsErrorTakesItsOwnLine) {
  StartSim({"--copy-error"});
  const auto result = OnTerminal(ProgramArgs(0x400, {"--classic"}), 40, {"TERM=xterm"});
  EXPECT_EQ(result.exit_status, 1) << result.screen;
  bool bar = false;
  for (const std::string& segment : testing_support::RedrawnSegments(result.screen)) {
    EXPECT_LT(segment.size(), 40u) << segment;
    bar = bar || segment.starts_with("[");
  }
  EXPECT_TRUE(bar) << result.screen;
  ExpectErrorsOnLinesOfTheirOwn(result.screen);
  EXPECT_NE(result.screen.find("while copying the block to flash"), std::string::npos)
      << result.screen;
}

TEST_F(E2eTest, JsonEventsOfAGoodRunEndWithTheResultAndItsFigures) {
  StartSim();
  const auto result = Program(Pattern(0, 0x2000), {"--no-start-isp", "--json"});
  ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  const auto events = JsonEvents(result.out);
  EXPECT_EQ(Kinds(events), (std::vector<std::string>{
                               "phase Synchronise", "phase Identify", "line_rate", "phase Erase",
                               "phase Write", "phase Verify", "phase Restart", "file", "result"}));
  std::uint32_t last_done = 0;
  int progress = 0;
  for (const auto& event : events) {
    if (event.at("event") != "progress") continue;
    ++progress;
    EXPECT_GE(event.at("done").get<std::uint32_t>(), last_done);
    last_done = event.at("done");
    EXPECT_EQ(event.at("total"), 0x2000);
  }
  EXPECT_GT(progress, 1);
  EXPECT_EQ(last_done, 0x2000u);
  const auto& file = events[events.size() - 2];
  EXPECT_EQ(file.at("name"), "commlog.txt");
  EXPECT_EQ(file.at("path"), ShownPath("commlog.txt"));
  const auto& end = events.back();
  EXPECT_TRUE(end.at("ok").get<bool>());
  EXPECT_EQ(end.at("bytes"), 0x2000);
  // The whole run's time, the write's own, and the rate of the write.
  const double write_seconds = end.at("write_seconds").get<double>();
  EXPECT_GT(write_seconds, 0);
  EXPECT_GT(end.at("seconds").get<double>(), write_seconds);
  EXPECT_NEAR(end.at("rate").get<double>(), 0x2000 / write_seconds, 1e-6);
  const auto& identify = events[1];
  EXPECT_EQ(identify.at("part"), "LPC1227");
  EXPECT_EQ(identify.at("part_id"), 0x3670002B);
  EXPECT_EQ(identify.at("flash_size"), 128 * 1024);
}

TEST_F(E2eTest, JsonEventsOfAFailedRunNameTheErrorOnBothPaths) {
  for (const bool classic : {false, true}) {
    StartSim({"--fail-erase"});
    std::vector<std::string> extra = {"--no-start-isp", "--json"};
    if (classic) extra.push_back("--classic");
    const auto result = Program(Pattern(0, 0x400), extra);
    EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
    EXPECT_EQ(result.err, "");
    const auto events = JsonEvents(result.out);
    ASSERT_GE(events.size(), 3u) << result.out;
    const auto& error = events[events.size() - 3];
    EXPECT_EQ(error.at("event"), "error") << result.out;
    EXPECT_NE(error.at("text").get<std::string>().find("BUSY"), std::string::npos) << result.out;
    EXPECT_EQ(events[events.size() - 2].at("event"), "file");
    EXPECT_EQ(events.back().at("event"), "result");
    EXPECT_FALSE(events.back().at("ok").get<bool>());
    if (classic) {
      // The window's lights as phases, the last one red.
      EXPECT_EQ(events.front().at("phase"), "Connect");
      const auto& erase = events[events.size() - 4];
      EXPECT_EQ(erase.at("phase"), "Erase 0-0");
      EXPECT_FALSE(erase.at("ok").get<bool>());
    }
    Report();
  }
}

TEST_F(E2eTest, QuietPrintsOnlyTheErrorAndTheResult) {
  for (const bool classic : {false, true}) {
    StartSim();
    std::vector<std::string> extra = {"--no-start-isp", "-q"};
    if (classic) extra.push_back("--classic");
    const auto good = Program(Pattern(0, 0x400), extra);
    EXPECT_EQ(good.exit_status, 0) << good.out << good.err;
    EXPECT_EQ(good.out, "Complete.\n");
    EXPECT_EQ(good.err, "");
    Report();
    StartSim({"--fail-erase"});
    const auto bad = Program(Pattern(0, 0x400), extra);
    EXPECT_EQ(bad.exit_status, 1);
    EXPECT_EQ(bad.out, "Failed!\n");
    EXPECT_TRUE(bad.err.starts_with("Error: ")) << bad.err;
    EXPECT_EQ(Lines(bad.err).size(), 1u) << bad.err;
    Report();
  }
}

TEST_F(E2eTest, LogGoesWhereAskedOrNowhere) {
  StartSim();
  const auto moved = Program(Pattern(0, 0x400), {"--no-start-isp", "--log", "runs/first.log"});
  // A folder that does not exist: the run goes on without the log.
  EXPECT_EQ(moved.exit_status, 0) << moved.err;
  EXPECT_TRUE(moved.err.starts_with("Warning: \"runs/first.log\" not written: ")) << moved.err;
  EXPECT_EQ(moved.out.find("Traffic log"), std::string::npos) << moved.out;
  Report();

  StartSim();
  const auto named = Program(Pattern(0, 0x400), {"--no-start-isp", "--log", "first.log"});
  EXPECT_EQ(named.exit_status, 0) << named.err;
  EXPECT_NE(named.out.find("Traffic log   " + ShownPath("first.log") + "\n"), std::string::npos)
      << named.out;
  EXPECT_TRUE(FileText("first.log").starts_with("Start"));
  EXPECT_TRUE(FileText("first.log").ends_with("End."));
  EXPECT_FALSE(FileExists("commlog.txt"));
  Report();

  for (const bool classic : {false, true}) {
    StartSim();
    std::vector<std::string> extra = {"--no-start-isp", "--no-log"};
    if (classic) extra.push_back("--classic");
    const auto none = Program(Pattern(0, 0x400), extra);
    EXPECT_EQ(none.exit_status, 0) << none.err;
    EXPECT_EQ(none.err, "");
    EXPECT_EQ(none.out.find("Traffic log"), std::string::npos) << none.out;
    EXPECT_FALSE(FileExists("commlog.txt"));
    Report();
  }
}

TEST_F(E2eTest, RejectedBlockIsSaidWhereItWent) {
  StartSim({"--resend-block", "1"});
  const auto result = Program(Pattern(0, 1536), {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.out.find("Saved           " + ShownPath("block.bin") + "\n"), std::string::npos)
      << result.out;
}

TEST_F(E2eTest, PortComesFromTarvoPortWhenNotGiven) {
  if (kUnderWine) GTEST_SKIP() << "the Windows program gets the test's environment through Wine";
  StartSim();
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x400)));
  ::setenv("TARVO_PORT", sim->Path().c_str(), 1);
  const auto result = Cli({"program", "--no-start-isp", "image.hex"});
  ::unsetenv("TARVO_PORT");
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_TRUE(result.out.ends_with("Complete.\n")) << result.out;
  // -p wins over the environment.
  ::setenv("TARVO_PORT", "/dev/no-such-port", 1);
  const auto given = Cli({"module", "reset", "-p", "/dev/also-no-such-port"});
  ::unsetenv("TARVO_PORT");
  EXPECT_EQ(given.exit_status, 2);
  EXPECT_NE(given.err.find("/dev/also-no-such-port"), std::string::npos) << given.err;
}

// info, read, verify and erase take program's output options.
TEST_F(E2eTest, BootLoaderCommandsTakeJsonQuietAndLogOptions) {
  StartSim();
  const auto info = Cli({"info", "--port", Port(), "--no-start-isp", "--json", "--no-log"});
  ASSERT_EQ(info.exit_status, 0) << info.out << info.err;
  EXPECT_EQ(info.err, "");
  const auto events = JsonEvents(info.out);
  ASSERT_FALSE(events.empty());
  const auto identify = std::find_if(events.begin(), events.end(), [](const auto& event) {
    return event.at("event") == "phase" && event.at("phase") == "Identify";
  });
  ASSERT_NE(identify, events.end()) << info.out;
  EXPECT_EQ(identify->at("part"), "LPC1227");
  EXPECT_EQ(identify->at("part_id"), 0x3670002B);
  EXPECT_EQ(identify->at("flash_size"), 128 * 1024);
  const auto serial = std::find_if(events.begin(), events.end(), [](const auto& event) {
    return event.at("event") == "detail" && event.at("label") == "Serial number";
  });
  EXPECT_NE(serial, events.end()) << info.out;
  EXPECT_EQ(events.back().at("event"), "result");
  EXPECT_TRUE(events.back().at("ok").get<bool>());
  EXPECT_GT(events.back().at("seconds").get<double>(), 0);
  EXPECT_FALSE(FileExists("commlog.txt"));
  Report();

  StartSim();
  const auto read = Cli({"read", "--port", Port(), "--no-start-isp", "--out", "flash.bin",
                         "--address", "0x200", "--length", "1024", "--log", "read.log", "-q"});
  EXPECT_EQ(read.exit_status, 0) << read.err;
  EXPECT_EQ(read.out, "Complete.\n");
  EXPECT_TRUE(FileText("read.log").ends_with("End."));
  EXPECT_FALSE(FileExists("commlog.txt"));
  Report();

  StartSim();
  const auto erase =
      Cli({"erase", "--port", Port(), "--no-start-isp", "--sectors", "1", "--log", "erase.log"});
  EXPECT_EQ(erase.exit_status, 0) << erase.err;
  EXPECT_TRUE(erase.out.ends_with("Traffic log   " + ShownPath("erase.log") + "\nComplete.\n"))
      << erase.out;
  Report();

  // A module command writes a log only where --log says.
  StartSim();
  const auto module = Cli({"module", "reset", "--port", Port(), "--log", "module.log"});
  EXPECT_EQ(module.exit_status, 0) << module.err;
  EXPECT_EQ(module.out, "Traffic log   " + ShownPath("module.log") + "\nSent reset.\n");
  EXPECT_NE(FileText("module.log").find("*"), std::string::npos);
  EXPECT_FALSE(FileExists("commlog.txt"));
  Report();
}

// A script always gets a result, also when the file or the port failed;
// a port that is no serial port is said to be none, without naming the
// processes that have it open (this test holds /dev/null open itself).
TEST_F(E2eTest, JsonEndsWithAResultWhenTheFileOrThePortFails) {
  const int held = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(held, 0);
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"info", "-p", "/dev/null", "--json"}, "(it is no serial port)"},
      {{"erase", "-p", "/dev/null", "--all", "--json"}, "(it is no serial port)"},
      {{"verify", "-p", "/dev/null", "missing.hex", "--json"}, "no such file"},
      {{"read", "-p", "/dev/null", "--out", "no/such/folder/f.bin", "--json"}, "Cannot write"},
      {{"program", "-p", "/dev/null", "missing.hex", "--json"}, "no such file"},
      {{"program", "-p", "/dev/null", "missing.hex", "--json", "--classic"}, "missing.hex"},
      {{"program", "-p", "/dev/no-such-port", "--json", "--classic", "image.hex"}, "no such port"},
      {{"module", "reset", "-p", "/dev/null", "--json"}, "(it is no serial port)"},
  };
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 16)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    const auto result = Cli(c.args);
    EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
    EXPECT_EQ(result.err, "");
    const auto events = JsonEvents(result.out);
    ASSERT_GE(events.size(), 2u) << result.out;
    const auto& error = events[events.size() - 2];
    EXPECT_EQ(error.at("event"), "error");
    EXPECT_NE(error.at("text").get<std::string>().find(c.error), std::string::npos) << result.out;
    EXPECT_EQ(events.back().at("event"), "result");
    EXPECT_FALSE(events.back().at("ok").get<bool>());
    EXPECT_EQ(result.out.find("also open in process"), std::string::npos) << result.out;
  }
  const auto plain = Cli({"info", "-p", "/dev/null"});
  ::close(held);
  EXPECT_EQ(plain.err,
            "Error: Unable to open serial port /dev/null: Inappropriate ioctl for device (it is no "
            "serial port)\n");
}

// The error that ended a run comes before the traffic log's place, as
// both reach the same terminal.
TEST_F(E2eTest, TheErrorComesBeforeTheTrafficLogsPlace) {
  StartSim({"--silent"});
  std::vector<std::string> argv = {
      "/bin/sh", "-c",   "exec \"$0\" \"$@\" 2>&1", TARVO_CLI_PATH, "info",
      "--port",  Port(), "--no-start-isp"};
  const auto result = testing_support::RunProcess(argv, dir.Path().string());
  EXPECT_EQ(result.exit_status, 1) << result.out;
  const std::size_t error = result.out.find("Error: Part not responding");
  const std::size_t log = result.out.find("Traffic log");
  ASSERT_NE(error, std::string::npos) << result.out;
  ASSERT_NE(log, std::string::npos) << result.out;
  EXPECT_LT(error, log) << result.out;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
}

TEST_F(E2eTest, HelpListsTheExitStatusesAndNotTheOldModuleNames) {
  const auto help = Cli({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  for (const char* text : {"Exit status:", "  130  ", "  64   ", "module"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text << "\n" << help.out;
  for (const char* old_name : {"erase-all", "config-reset", "\n  reset"})
    EXPECT_EQ(help.out.find(old_name), std::string::npos) << old_name << "\n" << help.out;
  const auto module = Cli({"module", "--help"});
  for (const char* name : {"reset", "erase-data", "config-reset"})
    EXPECT_NE(module.out.find(name), std::string::npos) << name << "\n" << module.out;
  const auto erase = Cli({"module", "erase-data", "--help"});
  EXPECT_NE(erase.out.find("not to the boot loader"), std::string::npos) << erase.out;
  EXPECT_NE(erase.out.find("TARVO_PORT"), std::string::npos) << erase.out;
}

// A mistyped word is named with the nearest known one, and the module's old
// top-level names are refused naming their new command, before any port is
// opened (the port here does not exist).
TEST_F(E2eTest, UnknownWordsAreNamedWithTheNearestKnownOne) {
  const struct {
    std::vector<std::string> args;
    const char* said;
  } cases[] = {
      {{"prgram", "-p", "/dev/x", "f.hex"},
       "tarvo-cli: unknown command \"prgram\": did you mean \"program\"?"},
      {{"program", "--prot", "/dev/x", "f.hex"},
       "tarvo-cli program: unknown option \"--prot\": did you mean \"--port\"?"},
      {{"info", "-p", "/dev/x", "--jsno"},
       "tarvo-cli info: unknown option \"--jsno\": did you mean \"--json\"?"},
      {{"erase", "-p", "/dev/x", "--al"},
       "tarvo-cli erase: unknown option \"--al\": did you mean \"--all\"?"},
      {{"module", "rest", "-p", "/dev/x"},
       "tarvo-cli module: unknown command \"rest\": did you mean \"reset\"?"},
      {{"frobnicate"}, "tarvo-cli: unknown command \"frobnicate\" (see tarvo-cli --help)"},
      {{"erase-all", "-p", "/dev/x"},
       "\"erase-all\" is no longer a command: it is now \"tarvo-cli module erase-data\""},
      {{"reset", "-p", "/dev/x"},
       "\"reset\" is no longer a command: it is now \"tarvo-cli module reset\""},
      {{"config-reset", "-p", "/dev/x"},
       "\"config-reset\" is no longer a command: it is now \"tarvo-cli module config-reset\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    const auto result = Cli(c.args);
    EXPECT_EQ(result.exit_status, 64);
    EXPECT_EQ(result.err, std::string(c.said) + "\nRun with --help for more information.\n");
    EXPECT_EQ(result.out, "");
  }
  // A line whose words are all known keeps the parser's own message.
  const auto missing = Cli({"program", "f.hex"});
  EXPECT_EQ(missing.exit_status, 64);
  EXPECT_NE(missing.err.find("--port is required"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace e2e
