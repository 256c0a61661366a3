// Load, Load, Load: a production line programs one module after the other
// through the same window and the same port. Every run must write its own
// image from flash address 0, whatever the run before it left behind.
#include <signal.h>

#include <QCheckBox>
#include <QPushButton>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/status_bar.h"
#include "tests/app/window_fixture.h"
#include "tests/support/block_addresses.h"
#include "tests/support/flash_image.h"
#include "tests/support/hex_writer.h"
#include "tests/support/process.h"

namespace app_test {
namespace {

using testing_support::ByteMap;

// What one run left: the copy commands it sent, what the module saw, and
// the module's flash.
struct RunOutcome {
  QString status;
  std::vector<std::uint32_t> copy_commands;
  std::vector<std::uint32_t> copied_blocks;  // flash addresses, as the module reports them
  bool every_copy_one_buffered_block = false;
  std::vector<std::uint8_t> flash;
};

class RepeatedRunTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    form->unit.comm.SlowTicks(kLoadedMachineTickSlowdown);
  }

  // Runs the window on a fresh module (a new simulator) that appears under
  // the same port path as the one before. A module that stalls is stopped
  // for 300 ms of every 500 while the run goes on, as a process is on a
  // loaded machine.
  RunOutcome RunOnFreshModule(const ByteMap& bytes, const std::string& name, bool stalls = false) {
    testing_support::SimProcess sim({ISP_SIM_PATH, "--once", "--link", dir.File("ttyModule"),
                                     "--report", dir.File(name + ".json"), "--flash-out",
                                     dir.File(name + ".bin")});
    testing_support::WriteTextFile(dir.File(name + ".hex"), testing_support::HexFromBytes(bytes));
    Prepare(dir.File("ttyModule"), dir.File(name + ".hex"));
    form->StartISPChk->setChecked(false);  // a fresh part waits in its boot loader
    form->LoadBtn->click();
    RunOutcome outcome;
    EXPECT_TRUE(form->unit.RunGoing);
    {
      std::jthread stall;
      if (stalls) {
        stall = std::jthread([&sim](std::stop_token stop) {
          while (!stop.stop_requested()) {
            sim.Signal(SIGSTOP);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sim.Signal(SIGCONT);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
          }
        });
      }
      EXPECT_TRUE(WaitRunEnd());
    }
    outcome.status = form->StatusBar1->PanelText(0);
    outcome.copy_commands =
        testing_support::CopyCommandAddresses(testing_support::ReadFile(dir.File("commlog.txt")));
    if (!sim.WaitExit(std::chrono::seconds(5))) sim.Stop();
    const auto report = nlohmann::json::parse(testing_support::ReadFile(dir.File(name + ".json")));
    outcome.every_copy_one_buffered_block = true;
    for (const auto& block : report.at("copied_blocks")) {
      outcome.copied_blocks.push_back(block.at("flash").get<std::uint32_t>());
      outcome.every_copy_one_buffered_block &=
          block.at("ram") == 268436224 && block.at("count") == 512;
    }
    outcome.flash =
        testing_support::ImageRangeOfDump(testing_support::ReadFile(dir.File(name + ".bin")));
    return outcome;
  }
};

ByteMap OtherPattern(std::uint32_t size) {
  ByteMap bytes;
  for (std::uint32_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 7 + 0x5A) ^ (i >> 9));
  return bytes;
}

TEST_F(RepeatedRunTest, EachRunWritesItsImageFromFlashAddressZero) {
  const std::vector<std::pair<std::string, ByteMap>> runs = {
      {"first", testing_support::Pattern(1536)}, {"second", OtherPattern(1024)}};
  for (const auto& [name, bytes] : runs) {
    SCOPED_TRACE(name + " run");
    const RunOutcome run = RunOnFreshModule(bytes, name);
    EXPECT_EQ(run.status, "Complete.");
    const std::vector<std::uint32_t> blocks = testing_support::BlockAddresses(bytes);
    EXPECT_EQ(run.copy_commands, blocks);
    EXPECT_EQ(run.copied_blocks, blocks);
    EXPECT_TRUE(run.every_copy_one_buffered_block);
    EXPECT_TRUE(run.flash == testing_support::FlashAfterRun(bytes));
  }
  EXPECT_TRUE(messages.empty());
}

// What a loaded machine does to the module, made to happen on every run.
TEST_F(RepeatedRunTest, ARunHoldsWhileTheModuleStallsAsOnALoadedMachine) {
  const ByteMap bytes = testing_support::Pattern(1536);
  const RunOutcome run = RunOnFreshModule(bytes, "stalled", true);
  EXPECT_EQ(run.status, "Complete.");
  EXPECT_EQ(run.copied_blocks, testing_support::BlockAddresses(bytes));
  EXPECT_TRUE(run.flash == testing_support::FlashAfterRun(bytes));
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace app_test
