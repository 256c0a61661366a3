// The station: module after module on one port, each a fresh isp-sim that
// appears on the same link path once the one before it has gone.
#include <atomic>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <thread>

#include "cli/port_list.h"
#include "cli/station_command.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;
using testing_support::SimProcess;

constexpr const char* kSimSerial = "0x0F01A2B3 0x4C5D6E7F 0x8091A2B3 0xC4D5E6F7";
// Generous: the machine may be loaded; the waits end as soon as the event comes.
constexpr auto kModuleLimit = std::chrono::seconds(60);

class StationTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    link = dir.File("station-port");
    options.program.file = "image.hex";
    options.program.link.output.quiet = true;
    options.ports = {link};
  }
  ~StationTest() override { StopStation(); }

  std::unique_ptr<SimProcess> Module(std::size_t number, const std::vector<std::string>& flags) {
    std::vector<std::string> args = {
        ISP_SIM_PATH, "--once",      "--link",
        link,         "--flash-out", dir.File("flash-" + std::to_string(number) + ".bin")};
    args.insert(args.end(), flags.begin(), flags.end());
    return std::make_unique<SimProcess>(args);
  }
  void StartStation() {
    station = std::thread([this] {
      status = cli::RunStation(
          options,
          [this](const cli::RunRecord& record) {
            const std::lock_guard lock(mutex);
            records.push_back(record);
          },
          [this] { return stop.load(); }, cli::StationTiming{100, 2});
    });
  }
  // Waits until the sink holds count records.
  bool RecordsReach(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kModuleLimit;
    while (std::chrono::steady_clock::now() < deadline) {
      {
        const std::lock_guard lock(mutex);
        if (records.size() >= count) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void StopStation() {
    stop = SIGINT;
    if (station.joinable()) station.join();
  }
  std::vector<std::uint8_t> FlashOf(std::size_t number) {
    return testing_support::ImageRangeOfDump(FileText("flash-" + std::to_string(number) + ".bin"));
  }

  std::string link;
  cli::StationOptions options;
  std::thread station;
  std::atomic<int> stop{0};
  int status = -1;
  std::mutex mutex;
  std::vector<cli::RunRecord> records;
};

TEST_F(StationTest, ThreeModulesInARowOneFailingVerification) {
  const ByteMap bytes = Pattern(0, 0x1000);
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  std::vector<std::uint8_t> expected(0x10000, 0xFF);
  for (const auto& [address, value] : bytes) expected[address] = value;
  expected = testing_support::WithChecksumWord(expected);
  StartStation();

  // A passing module restarts into its firmware, and the simulator ends
  // with that reset: the station sees the line go.
  auto first = Module(0, {});
  ASSERT_TRUE(RecordsReach(1));
  ASSERT_TRUE(first->WaitExit(std::chrono::seconds(10)));
  // One chunk at 0, whose W transfer changes a byte in the RAM buffer: the
  // check before the copy into sector 0 finds it, and the part stays in its
  // boot loader, answering, until it is taken away.
  auto second = Module(1, {"--corrupt-ram", "0"});
  ASSERT_TRUE(RecordsReach(2));
  second->Stop();
  auto third = Module(2, {});
  ASSERT_TRUE(RecordsReach(3));
  ASSERT_TRUE(third->WaitExit(std::chrono::seconds(10)));
  StopStation();

  EXPECT_EQ(status, 1);
  ASSERT_EQ(records.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const cli::RunRecord& record = records[i];
    EXPECT_EQ(record.port, link);
    EXPECT_EQ(record.file, "image.hex");
    EXPECT_EQ(record.part_name, "LPC1227");
    EXPECT_EQ(record.part_serial, kSimSerial);
    EXPECT_EQ(record.passed, i != 1) << record.error;
    EXPECT_GT(record.duration_ms, 0u);
  }
  EXPECT_EQ(records[0].bytes, 0x1000u);
  EXPECT_NE(records[1].error.find("Verify failed in RAM"), std::string::npos) << records[1].error;
  EXPECT_EQ(records[2].error, "");
  EXPECT_EQ(FlashOf(0), expected);
  EXPECT_EQ(FlashOf(2), expected);
  EXPECT_NE(FlashOf(1), expected);
  // The traffic log holds the last module's run.
  const std::string log = FileText(cli::PortLogNames({link}).front());
  EXPECT_TRUE(log.starts_with("Start") && log.ends_with("End."));
}

// A stop while a module is programmed ends the station after it: the
// module is finished and its record handed on whole.
TEST_F(StationTest, StopDuringAModuleFinishesItFirst) {
  const ByteMap bytes = Pattern(0, 0x4000);
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  std::vector<std::uint8_t> expected(0x10000, 0xFF);
  for (const auto& [address, value] : bytes) expected[address] = value;
  auto module = Module(0, {"--baud-rate", "115200"});
  StartStation();
  // The log is created as the module's run begins.
  const std::string log = dir.File(cli::PortLogNames({link}).front());
  const auto deadline = std::chrono::steady_clock::now() + kModuleLimit;
  while (!std::filesystem::exists(log) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(std::filesystem::exists(log));
  stop = SIGTERM;
  station.join();
  EXPECT_EQ(status, 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].passed) << records[0].error;
  EXPECT_EQ(records[0].bytes, 0x4000u);
  ASSERT_TRUE(module->WaitExit(std::chrono::seconds(10)));
  EXPECT_EQ(FlashOf(0), testing_support::WithChecksumWord(expected));
}

// The command ends on SIGTERM while it waits, with the verdict of each
// module on its output.
TEST_F(StationTest, CommandShowsTheVerdictAndEndsOnSigterm) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x800)));
  auto module = Module(0, {});
  const auto result = testing_support::RunProcessSignalledWhen(
      {TARVO_CLI_PATH, "station", "--port", link, "image.hex"}, dir.Path().string(), SIGTERM,
      [&] { return module->WaitExit(std::chrono::milliseconds(0)).has_value(); });
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_NE(result.out.find(link + "  waiting for a module\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("PASS  " + link + "  serial number " + kSimSerial + "  "),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace e2e
