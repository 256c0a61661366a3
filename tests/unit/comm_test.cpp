#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "comm/clock.h"
#include "comm/comm.h"
#include "tests/support/hex_writer.h"
#include "tests/support/pty_peer.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::PtyPeer;

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  long Ms() const {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start_)
                                 .count());
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// The port's waits count whole ticks of a millisecond counter, so a limit of N
// ticks can pass in a little under N ms of real time: up to one tick less.
constexpr long kOneTick = 1;

// A monitor that writes down what the serial unit hands it.
class RecordingMonitor : public comm::TrafficMonitor {
 public:
  bool MonitorShown() const override { return shown; }
  void MonitorSent(std::uint32_t colour, const char* text, int count) override {
    sent.push_back({colour, std::string(text, static_cast<std::size_t>(count))});
  }
  void MonitorAppendRx(std::uint32_t colour, const std::uint8_t* bytes, int count) override {
    received.push_back({colour, std::string(reinterpret_cast<const char*>(bytes),
                                            static_cast<std::size_t>(count))});
  }
  bool shown = true;
  std::vector<std::pair<std::uint32_t, std::string>> sent;
  std::vector<std::pair<std::uint32_t, std::string>> received;
};

// The terminal's exclusive-use flag, read through a descriptor of its own
// (root may open a terminal in exclusive use).
int ExclusiveFlag(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  int flag = -1;
  if (fd >= 0 && ioctl(fd, TIOCGEXCL, &flag) != 0) flag = -1;
  if (fd >= 0) close(fd);
  return flag;
}

class CommTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(comm.CommOpen(peer.Path().c_str(), 115200), 1); }
  // Lets bytes the peer sent reach the host's side of the terminal.
  static void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

  PtyPeer peer;
  comm::Comm comm;
  char buffer[300] = {};
};

TEST_F(CommTest, ReadLineStoresTextWithoutLineEnds) {
  peer.Send("OK\r\n");
  Settle();
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 1000), 2);
  EXPECT_STREQ(buffer, "OK");
  EXPECT_EQ(comm.CommFlushInput(), 0);  // nothing of the line left
}

TEST_F(CommTest, EmptyLineReadsAsZero) {
  peer.Send("\r\n");
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 1000), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(CommTest, LineCutAtItsMaximumLeavesTheRestUnread) {
  const std::string line(100, 'x');
  peer.Send(line + "\r\n");
  Settle();
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 1000), 80);
  EXPECT_EQ(std::string(buffer), std::string(80, 'x'));
  EXPECT_EQ(comm.CommReadCount(buffer, 22, 1000), 22);
  EXPECT_EQ(std::string(buffer), std::string(20, 'x') + "\r\n");
}

TEST_F(CommTest, LineEndingAfterTheLimitReadsAsZeroButKeepsTheText) {
  peer.Send("AB");
  peer.SendAfter(400, "\n");
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 200), 0);
  EXPECT_STREQ(buffer, "AB");
}

TEST_F(CommTest, ReadCountNeedsAllBytesWithinTheLimit) {
  peer.Send("OK\r\n");
  EXPECT_EQ(comm.CommReadCount(buffer, 4, 1000), 4);
  EXPECT_EQ(std::string(buffer, 5), std::string("OK\r\n\0", 5));
  peer.Send("OK\r");
  Stopwatch watch;
  EXPECT_EQ(comm.CommReadCount(buffer, 4, 300), 0);
  EXPECT_GE(watch.Ms(), 300 - kOneTick);
}

TEST_F(CommTest, WaitForFindsTheTextAnywhereAndLeavesWhatFollows) {
  peer.Send("xySynchronized\r\n");
  EXPECT_EQ(comm.CommWaitFor("Synchronized\r", 13, 1000), 1);
  EXPECT_EQ(comm.CommReadCount(buffer, 1, 1000), 1);
  EXPECT_EQ(buffer[0], '\n');

  peer.Send(std::string("ab\0c!", 5));
  EXPECT_EQ(comm.CommWaitFor("!", 1, 1000), 1);
}

TEST_F(CommTest, WaitForOnASilentLineGivesUpAtTheLimit) {
  Stopwatch watch;
  EXPECT_EQ(comm.CommWaitFor("Synchronized\r", 13, 300), 0);
  EXPECT_GE(watch.Ms(), 300 - kOneTick);
  EXPECT_LT(watch.Ms(), 1000);
}

TEST_F(CommTest, NulByteInTheWindowPreventsAMatchUntilItSlidesOut) {
  peer.Send(std::string("O\0K", 3));
  EXPECT_EQ(comm.CommWaitFor("OK", 2, 200), 0);
  peer.Send("OK");
  EXPECT_EQ(comm.CommWaitFor("OK", 2, 500), 1);
}

TEST_F(CommTest, FlushInputDiscardsWhatIsPendingAndIsBounded) {
  EXPECT_EQ(comm.CommFlushInput(), 0);
  peer.Send("stale bytes");
  Settle();
  EXPECT_EQ(comm.CommFlushInput(), 11);

  // A peer that never pauses does not keep the drain going.
  std::atomic<bool> stop{false};
  std::thread chatter([&] {
    while (!stop) {
      peer.Send(std::string(64, 'z'));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  Stopwatch watch;
  const int flushed = comm.CommFlushInput();
  stop = true;
  chatter.join();
  EXPECT_GT(flushed, 0);
  EXPECT_LE(flushed, comm::Comm::kFlushMaxBytes);
  EXPECT_LT(watch.Ms(), 3000);
}

TEST_F(CommTest, SendLineDiscardsPendingInputSendsOneCrAndConsumesTheEcho) {
  peer.Send("old");
  Settle();
  peer.SetResponder(
      [](const std::string& token) { return token.empty() ? "" : token + "\r\n0\r\n"; });
  EXPECT_EQ(comm.SendLine("CR"), 2);
  EXPECT_EQ(peer.Received(), "CR\r");
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 1000), 1);  // the reply after the echo
  EXPECT_STREQ(buffer, "0");
}

TEST_F(CommTest, CommandFormsPutExactBytesOnTheLine) {
  peer.SetResponder(
      [](const std::string& token) { return token.empty() ? "" : token + "\r\n0\r\n"; });
  char reply[comm::Comm::kReplySize + 1];
  EXPECT_EQ(comm.SendSetting("EA", 1), 4);
  EXPECT_EQ(comm.SendFormatted("P 0 %d\r", 1, reply), 1);
  EXPECT_STREQ(reply, "0");
  EXPECT_EQ(comm.SendCommand("J\r\n", reply), 1);
  EXPECT_EQ(peer.Received(), "EA=1\rP 0 1\r\rJ\r\n\r");
}

TEST_F(CommTest, SendLineWithoutEchoReturnsZeroAfterItsLimit) {
  Stopwatch watch;
  EXPECT_EQ(comm.SendLine("CR"), 0);
  EXPECT_GE(watch.Ms(), 200 - kOneTick);
}

TEST_F(CommTest, EmptyReadReturnsAfterAboutOneReadTimeOut) {
  Stopwatch watch;
  char byte = 0;
  EXPECT_EQ(comm.CommRead(&byte, 1), 0);
  EXPECT_GE(watch.Ms(), 15);
  EXPECT_LT(watch.Ms(), 200);
}

TEST_F(CommTest, TickCounterWrapDuringAWaitIsHarmless) {
  comm.tick_offset = 0u - comm::MonotonicMs() - 100u;  // wraps 100 ms into the wait
  Stopwatch watch;
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 300), 0);
  EXPECT_GE(watch.Ms(), 300 - kOneTick);
  EXPECT_LT(watch.Ms(), 1000);
}

TEST_F(CommTest, SlowedTicksGiveEveryLimitThatManyTimesTheWallTime) {
  const std::uint32_t before = comm.GetTickCount();
  comm.SlowTicks(4);
  EXPECT_LT(comm.GetTickCount() - before, 100u);  // runs on from where it stood, never back
  Stopwatch watch;
  EXPECT_EQ(comm.SendLine("CR"), 0);  // the echo's 200 ms
  EXPECT_GE(watch.Ms(), 4 * (200 - kOneTick));
  EXPECT_LT(watch.Ms(), 5000);
  // A line within the slowed limit still ends the read at once.
  peer.Send("OK\r\n");
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 1000), 2);
}

TEST_F(CommTest, LineIsRawEightBitsNoParityOneStopBit) {
  termios tio{};
  ASSERT_EQ(tcgetattr(peer.MasterFd(), &tio), 0);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
}

TEST_F(CommTest, PortIsHeldExclusively) {
  comm::Comm other;
  EXPECT_EQ(other.CommOpen(peer.Path().c_str(), 115200), 0);
  // A second open through the same unit fails too, and the held port still works.
  EXPECT_EQ(comm.CommOpen(peer.Path().c_str(), 9600), 0);
  EXPECT_TRUE(comm.IsOpen());
  peer.Send("OK\r\n");
  EXPECT_EQ(comm.CommReadLine(buffer, 80, 1000), 2);
  EXPECT_EQ(ExclusiveFlag(peer.Path()), 1);
  comm.CommClose();
  EXPECT_FALSE(comm.IsOpen());
  // The flag must not outlive the port: the far end keeps the device open,
  // and any other user would be refused it for good.
  EXPECT_EQ(ExclusiveFlag(peer.Path()), 0);
  EXPECT_EQ(other.CommOpen(peer.Path().c_str(), 115200), 1);
}

TEST(CommOpenTest, MissingDeviceDoesNotOpen) {
  comm::Comm comm;
  EXPECT_EQ(comm.CommOpen("/dev/no-such-port", 115200), 0);
  EXPECT_FALSE(comm.IsOpen());
  testing_support::ScopedTempDir dir;
  testing_support::WriteTextFile(dir.File("plain"), "not a device");
  EXPECT_EQ(comm.CommOpen(dir.File("plain").c_str(), 115200), 0);
}

TEST_F(CommTest, HooksSeeExactlyTheBytesThatPass) {
  testing_support::ScopedTempDir dir;
  std::FILE* log = std::fopen("log.bin", "wb");
  RecordingMonitor monitor;
  comm.CommLog = log;
  comm.Monitor = &monitor;

  comm.CommWrite("*", 1);
  char byte = 0;
  EXPECT_EQ(comm.CommRead(&byte, 1), 0);  // nothing came: nothing logged or shown
  peer.Send("\r");
  Settle();
  EXPECT_EQ(comm.CommRead(&byte, 1), 1);

  monitor.shown = false;
  comm.CommWrite("AB", 2);
  peer.Send("Z");
  Settle();
  EXPECT_EQ(comm.CommRead(&byte, 1), 1);

  comm.CommLog = nullptr;
  comm.CommWrite("no log", 6);
  std::fclose(log);

  EXPECT_EQ(testing_support::ReadFile("log.bin"), "*\rABZ");
  ASSERT_EQ(monitor.sent.size(), 1u);
  EXPECT_EQ(monitor.sent[0], std::make_pair(comm::kSentColour, std::string("*")));
  ASSERT_EQ(monitor.received.size(), 1u);
  EXPECT_EQ(monitor.received[0], std::make_pair(comm::kReceivedColour, std::string("\r")));
  EXPECT_TRUE(peer.WaitReceived(9, 1000));
  EXPECT_EQ(peer.Received(), "*ABno log");
}

TEST(CommHangUpTest, HungUpLineReadsAsQuietWithoutSpinning) {
  auto peer = std::make_unique<PtyPeer>();
  comm::Comm comm;
  ASSERT_EQ(comm.CommOpen(peer->Path().c_str(), 115200), 1);
  peer.reset();  // the far end goes away
  Stopwatch watch;
  char byte = 0;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(comm.CommRead(&byte, 1), 0);
  EXPECT_GE(watch.Ms(), 5 * 15);
  comm.CommClose();
}

TEST(CommHangUpTest, LostLineIsToldApartFromAQuietOne) {
  auto peer = std::make_unique<PtyPeer>();
  comm::Comm comm;
  ASSERT_EQ(comm.CommOpen(peer->Path().c_str(), 115200), 1);
  char byte = 0;
  EXPECT_EQ(comm.CommReadSome(&byte, 1, 20), 0);
  EXPECT_FALSE(comm.LineLost());
  peer.reset();
  EXPECT_EQ(comm.CommReadSome(&byte, 1, 20), 0);
  EXPECT_TRUE(comm.LineLost());
  comm.CommClose();
  EXPECT_FALSE(comm.LineLost());
}

}  // namespace
