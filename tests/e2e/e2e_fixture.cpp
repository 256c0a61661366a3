#include "tests/e2e/e2e_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace e2e {

testing_support::SimProcess& E2eTest::StartSim(const std::vector<std::string>& flags, bool once) {
  std::vector<std::string> args = {ISP_SIM_PATH, "--report", dir.File("report.json"), "--flash-out",
                                   dir.File("flash.bin")};
  if (once) args.push_back("--once");
  args.insert(args.end(), flags.begin(), flags.end());
  sim = std::make_unique<testing_support::SimProcess>(args);
  return *sim;
}

testing_support::ProcessResult E2eTest::Cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {TARVO_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing_support::RunProcess(argv, dir.Path().string());
}

testing_support::ProcessResult E2eTest::Program(const ByteMap& bytes,
                                                const std::vector<std::string>& extra) {
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  std::vector<std::string> args = {"program", "--port", sim->Path()};
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
