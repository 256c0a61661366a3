// The time limits of the dialogue's waits and of the command exchange: a
// boot loader that answers within a limit passes, one that answers too late
// fails, and a module that ignores the start request costs its two waits.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "comm/comm.h"
#include "isp/classic/isp_engine.h"
#include "tests/support/fake_boot_loader.h"
#include "tests/support/hex_writer.h"
#include "tests/support/late_byte_serial.h"
#include "tests/support/pty_peer.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::LateByteCue;
using Events = std::vector<std::string>;

// The engine against a scripted boot loader whose answers can be made late
// on the serial unit's clock.
class ReplyTimingTest : public ::testing::Test {
 protected:
  ReplyTimingTest() { cue->UseClockOf(comm); }
  void SetUp() override {
    peer.SetResponder([this](const std::string& token) { return boot_loader(token); });
    ASSERT_EQ(comm.CommOpen(peer.Path().c_str(), 115200), 1);
    testing_support::WriteTextFile("image.hex", testing_support::HexFromBytes({{0, 0}}));
  }

  // A new run of a one-byte image (a zero at offset 0: the same run as an
  // empty one), stepped up to the state.
  void StartRunAndAdvanceTo(int state) {
    ASSERT_EQ(engine.LoadHexFile("image.hex"), 1);
    while (engine.RunState().StateNumber < state) {
      ASSERT_NE(engine.IspStep(), isp::kProgressFailed)
          << "in state " << engine.RunState().StateNumber;
    }
    window.events.clear();
  }

  testing_support::ScopedTempDir dir;
  testing_support::PtyPeer peer;
  testing_support::FakeBootLoader boot_loader;
  std::shared_ptr<LateByteCue> cue = std::make_shared<LateByteCue>();
  comm::Comm comm{testing_support::LateByteSerialFactory(cue)};
  testing_support::RecordingWindow window;
  isp::IspEngine engine{comm, window};
};

struct WaitCase {
  const char* name;
  int state;
  std::string answer_after;  // what the host reads before the awaited answer begins
  Events late_failure;       // what a late answer does to the window
};

// Names the case in test listings.
void PrintTo(const WaitCase& c, std::ostream* os) {
  *os << c.name;
}

class OneSecondWaitTest : public ReplyTimingTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(OneSecondWaitTest, AnswerAfter700MsPassesAndAfter1300MsFails) {
  const WaitCase& c = GetParam();
  StartRunAndAdvanceTo(c.state);
  cue->Arm(c.answer_after, 700);
  EXPECT_NE(engine.IspStep(), isp::kProgressFailed);
  EXPECT_TRUE(cue->Fired());
  EXPECT_EQ(engine.RunState().StateNumber, c.state == 9 ? 10 : c.state + 1);

  StartRunAndAdvanceTo(c.state);
  cue->Arm(c.answer_after, 1300);
  EXPECT_EQ(engine.IspStep(), isp::kProgressFailed);
  EXPECT_TRUE(cue->Fired());
  EXPECT_EQ(window.events, c.late_failure);
  EXPECT_EQ(engine.RunState().StateNumber, c.state);
}

const std::string kLastDataLineEcho = "1" + std::string(24, '`') + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Waits, OneSecondWaitTest,
    ::testing::Values(
        // The dialogue's own waits.
        WaitCase{"synchronized", 1, "", {"SyncPanel red", "error Part not responding"}},
        WaitCase{"ok_after_synchronized",
                 2,
                 "Synchronized\r\n",
                 {"SyncPanel red", "error Part not synchronized"}},
        WaitCase{"part_id_line", 5, "J\r\n0\r\n", {}},
        // The reply read of the command exchange.
        WaitCase{
            "frequency_reply", 3, "12000\r\n", {"UnlockPanel red", "error Freq not acknowledged"}},
        WaitCase{"unlock_reply", 4, "U 23130\r\n", {"UnlockPanel red", "error Unlock failed"}},
        WaitCase{"blank_check_reply", 8, "I 0 0\r\n", {}},
        // The block transfer's checksum reply.
        WaitCase{"checksum_reply", 9, kLastDataLineEcho + "0\r\n", {}}),
    [](const ::testing::TestParamInfo<WaitCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(ReplyTimingTest, UnansweredStartRequestCostsItsTwoWaits) {
  // 200 ms for the echo of "!" and 1000 ms for the answer, then state 1 anyway.
  ASSERT_EQ(engine.LoadHexFile("image.hex"), 1);
  window.start_isp = true;
  boot_loader.silent = true;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(engine.IspStep(), 0);
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - started)
                         .count();
  EXPECT_GE(spent, 1190);
  EXPECT_LT(spent, 2000);
  EXPECT_EQ(peer.Received(), "!\r");
  EXPECT_EQ(engine.RunState().StateNumber, 1);
}

}  // namespace
