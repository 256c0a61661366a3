// The bounds of the receive primitives that no quick peer reaches: the
// flush of a line that never falls quiet, and a last byte that comes just
// after CommReadCount's limit.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "comm/clock.h"
#include "comm/comm.h"
#include "tests/support/late_byte_serial.h"
#include "tests/support/pty_peer.h"

namespace {

using testing_support::LateByteCue;

// A line on which a byte comes every 5 ms, for ever. It is played by the
// backend itself, so that no scheduling gap of a sending thread makes the
// line fall quiet for a read time-out.
class SlowChatterSerial : public comm::SerialBackend {
 public:
  bool Open(const char*, comm::OpenError&) override { return true; }
  bool Configure(int) override { return true; }
  bool SetModemLine(comm::ModemLine, bool) override { return true; }
  int Read(std::uint8_t* buffer, int, int) override {
    comm::SleepMs(5);
    buffer[0] = 'z';
    return 1;
  }
  int Write(const std::uint8_t*, int count, int) override { return count; }
  void Drain(int) override {}
  void Close() override {}
};

TEST(FlushBoundTest, SlowSenderThatNeverPausesEndsTheFlushAfterAboutOneSecond) {
  comm::Comm comm([] { return std::make_unique<SlowChatterSerial>(); });
  ASSERT_EQ(comm.CommOpen("chatter", 115200), 1);
  const auto started = std::chrono::steady_clock::now();
  const int flushed = comm.CommFlushInput();
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - started)
                         .count();
  EXPECT_GE(spent, 990);
  EXPECT_LT(spent, 2500);
  // Ended by the time, far below the byte cap: at most one byte per 5 ms.
  EXPECT_GT(flushed, 0);
  EXPECT_LE(flushed, 201);
}

TEST(ReadCountLimitTest, LastByteJustAfterTheLimitGivesZero) {
  testing_support::PtyPeer peer;
  auto cue = std::make_shared<LateByteCue>();
  comm::Comm comm(testing_support::LateByteSerialFactory(cue));
  cue->UseClockOf(comm);
  ASSERT_EQ(comm.CommOpen(peer.Path().c_str(), 115200), 1);
  char buffer[8] = {};

  // The last byte 300 ms before the limit.
  peer.Send("OK\r\n");
  cue->Arm("OK\r", 700, LateByteCue::Taken::kByTheWaitingRead);
  EXPECT_EQ(comm.CommReadCount(buffer, 4, 1000), 4);
  EXPECT_TRUE(cue->Fired());
  EXPECT_EQ(std::string(buffer, 5), std::string("OK\r\n\0", 5));

  // The last byte comes to the read that waits for it, but only once the
  // limit has passed: all four bytes came, and still the result is 0.
  peer.Send("ab\r\n");
  cue->Arm("ab\r", 1000, LateByteCue::Taken::kByTheWaitingRead);
  EXPECT_EQ(comm.CommReadCount(buffer, 4, 1000), 0);
  EXPECT_TRUE(cue->Fired());
  EXPECT_EQ(std::string(buffer, 4), "ab\r\n");
}

}  // namespace
