// The engine programs the same module twice, as a station does that
// programs a module again: the second run starts the module's boot loader
// and writes its image from flash address 0 again.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "comm/comm.h"
#include "isp/classic/isp_engine.h"
#include "tests/support/block_addresses.h"
#include "tests/support/flash_image.h"
#include "tests/support/hex_writer.h"
#include "tests/support/process.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ByteMap;

class EngineRepeatedRunTest : public ::testing::Test {
 protected:
  // One whole run of the engine over its own open of the port, as a front
  // end makes it; returns the flash addresses of the copy commands it sent.
  std::vector<std::uint32_t> Run(const ByteMap& bytes, bool start_isp) {
    testing_support::WriteTextFile("image.hex", testing_support::HexFromBytes(bytes));
    EXPECT_EQ(engine.LoadHexFile("image.hex"), 1);
    window.start_isp = start_isp;
    EXPECT_EQ(comm.CommOpen(sim.Path().c_str(), 115200), 1);
    comm.CommLog = std::fopen("commlog.txt", "wb");
    int progress = 0;
    for (int step = 0; step < 400; ++step) {
      progress = engine.IspStep();
      if (progress == isp::kProgressFailed || progress >= isp::kProgressDone) break;
    }
    std::fclose(comm.CommLog);
    comm.CommLog = nullptr;
    comm.CommClose();
    EXPECT_EQ(progress, isp::kProgressDone);
    return testing_support::CopyCommandAddresses(testing_support::ReadFile("commlog.txt"));
  }

  testing_support::ScopedTempDir dir;
  testing_support::SimProcess sim{
      {ISP_SIM_PATH, "--report", dir.File("report.json"), "--flash-out", dir.File("flash.bin")}};
  comm::Comm comm;
  testing_support::RecordingWindow window;
  isp::IspEngine engine{comm, window};
};

TEST_F(EngineRepeatedRunTest, SecondRunWritesItsImageFromFlashAddressZero) {
  const ByteMap first = testing_support::Pattern(1536);
  ByteMap second;
  for (std::uint32_t i = 0; i < 1024; ++i) second[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 3));

  EXPECT_EQ(Run(first, false), (std::vector<std::uint32_t>{0, 512, 1024}));
  // The first image now runs; the start request takes the module back into
  // its boot loader.
  EXPECT_EQ(Run(second, true), (std::vector<std::uint32_t>{0, 512}));
  sim.Stop();

  const auto report = nlohmann::json::parse(testing_support::ReadFile(dir.File("report.json")));
  std::vector<std::uint32_t> copied;
  for (const auto& block : report.at("copied_blocks")) {
    copied.push_back(block.at("flash").get<std::uint32_t>());
    EXPECT_EQ(block.at("ram"), 268436224);
    EXPECT_EQ(block.at("count"), 512);
  }
  EXPECT_EQ(copied, (std::vector<std::uint32_t>{0, 512, 1024, 0, 512}));
  EXPECT_EQ(report.at("firmware_commands"), nlohmann::json::array({"!"}));
  EXPECT_EQ(report.at("resets"), 2);
  EXPECT_TRUE(testing_support::ImageRangeOfDump(testing_support::ReadFile(dir.File("flash.bin"))) ==
              testing_support::FlashAfterRun(second));
}

}  // namespace
