#include "tests/e2e/e2e_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace e2e {
namespace {

// Windows programs end their lines with CR LF; the tests compare LF lines.
std::string WithUnixLineEnds(const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines.push_back(text[i]);
  }
  return lines;
}

// Every line a Windows program writes in text mode ends with CR LF.
bool EveryLineEndsWithCrLf(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace

std::string WineSetting(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    ADD_FAILURE() << name << " is not set: the Wine end-to-end tests need it";
    return "";
  }
  return value;
}

void E2eTest::SetUp() {
  // tarvo-cli reads the user's part file from here, never the real user's.
  if (!kUnderWine) setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  if (!kUnderWine) return;
  for (const char* name :
       {"TARVO_WINE_RUN", "TARVO_WINE_CLI", "TARVO_WINE_PORT", "TARVO_WINE_LINK"})
    ASSERT_FALSE(WineSetting(name).empty());
}

std::string E2eTest::Port() const {
  return kUnderWine ? WineSetting("TARVO_WINE_PORT") : sim->Path();
}

std::string E2eTest::PortTo(const std::string& pty) const {
  if (!kUnderWine) return pty;
  const std::filesystem::path link = WineSetting("TARVO_WINE_LINK");
  std::error_code ignored;
  std::filesystem::remove(link, ignored);
  std::filesystem::create_symlink(pty, link);
  return WineSetting("TARVO_WINE_PORT");
}

std::vector<std::string> E2eTest::CliCommand() {
  if (kUnderWine) return {WineSetting("TARVO_WINE_RUN"), WineSetting("TARVO_WINE_CLI")};
  return {TARVO_CLI_PATH};
}

testing_support::SimProcess& E2eTest::StartSim(const std::vector<std::string>& flags, bool once) {
  std::vector<std::string> args = {ISP_SIM_PATH, "--report", dir.File("report.json"), "--flash-out",
                                   dir.File("flash.bin")};
  if (once) args.push_back("--once");
  if (kUnderWine) {
    args.push_back("--link");
    args.push_back(WineSetting("TARVO_WINE_LINK"));
  }
  args.insert(args.end(), flags.begin(), flags.end());
  sim = std::make_unique<testing_support::SimProcess>(args);
  return *sim;
}

testing_support::ProcessResult E2eTest::Cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv = CliCommand();
  argv.insert(argv.end(), args.begin(), args.end());
  return Compared(testing_support::RunProcess(argv, dir.Path().string()));
}

testing_support::ProcessResult E2eTest::CliInterruptedOn(const std::vector<std::string>& args,
                                                         const std::string& text) {
  std::vector<std::string> argv = CliCommand();
  argv.insert(argv.end(), args.begin(), args.end());
  return Compared(testing_support::RunProcessInterruptedOn(argv, dir.Path().string(), text));
}

testing_support::ProcessResult E2eTest::CliInterruptedAfter(const std::vector<std::string>& args,
                                                            int after_ms) {
  std::vector<std::string> argv = CliCommand();
  argv.insert(argv.end(), args.begin(), args.end());
  return Compared(testing_support::RunProcess(argv, dir.Path().string(), after_ms));
}

testing_support::ProcessResult E2eTest::Compared(testing_support::ProcessResult result) {
  if (kUnderWine) {
    EXPECT_TRUE(EveryLineEndsWithCrLf(result.out)) << result.out;
    EXPECT_TRUE(EveryLineEndsWithCrLf(result.err)) << result.err;
    result.out = WithUnixLineEnds(result.out);
    result.err = WithUnixLineEnds(result.err);
  }
  return result;
}

testing_support::ProcessResult E2eTest::Program(const ByteMap& bytes,
                                                const std::vector<std::string>& extra) {
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  std::vector<std::string> args = {"program", "--port", Port()};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back("image.hex");
  return Cli(args);
}

nlohmann::json E2eTest::Report() {
  if (!sim->WaitExit(std::chrono::seconds(5))) sim->Stop();
  return nlohmann::json::parse(FileText("report.json"));
}

std::vector<std::uint8_t> E2eTest::Flash() {
  if (!sim->WaitExit(std::chrono::seconds(5))) sim->Stop();
  return testing_support::ImageRangeOfDump(FileText("flash.bin"));
}

std::vector<std::uint8_t> E2eTest::WholeFlash() {
  if (!sim->WaitExit(std::chrono::seconds(5))) sim->Stop();
  const std::string dump = FileText("flash.bin");
  return std::vector<std::uint8_t>(dump.begin(), dump.end());
}

bool E2eTest::FileExists(const std::string& name) const {
  return std::filesystem::exists(dir.File(name));
}

}  // namespace e2e
