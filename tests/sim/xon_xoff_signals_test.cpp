#include "xon_xoff_signals.hpp"

#include <gtest/gtest.h>

namespace isp_sim {
namespace {

using std::chrono::milliseconds;

const TimePoint kStart = TimePoint{} + std::chrono::hours(1);

TEST(XonXoffSignals, XoffAfterEveryNBytesAndXonTwoMillisecondsAfterItLeft) {
  XonXoffSignals signals(4);
  std::string payload = "abcdefghij";
  std::string line;
  signals.feed(payload, line, kStart);
  EXPECT_EQ(line, "abcd\x13");
  EXPECT_EQ(payload, "efghij");  // held back until the XON

  line.clear();  // the XOFF has gone out
  const TimePoint out = kStart + milliseconds(5);
  signals.feed(payload, line, out);
  EXPECT_EQ(line, "");
  EXPECT_EQ(signals.next_wake(), out + milliseconds(2));
  signals.feed(payload, line, out + milliseconds(1));
  EXPECT_EQ(line, "");
  signals.feed(payload, line, out + milliseconds(2));
  EXPECT_EQ(line,
            "\x11"
            "efgh\x13");
  line.clear();
  signals.feed(payload, line, out + milliseconds(3));
  signals.feed(payload, line, out + milliseconds(5));
  EXPECT_EQ(line, "\x11ij");
  EXPECT_FALSE(signals.xon_owed());

  payload = "kl";  // the count goes on across replies: two more make four
  signals.feed(payload, line, out + milliseconds(6));
  EXPECT_EQ(line, "\x11ijkl\x13");
  EXPECT_TRUE(signals.xon_owed());
}

TEST(XonXoffSignals, ZeroPassesEverythingAndResetForgetsTheCount) {
  XonXoffSignals none(0);
  std::string payload(10000, 'x');
  std::string line;
  none.feed(payload, line, kStart);
  EXPECT_EQ(line, std::string(10000, 'x'));
  EXPECT_FALSE(none.next_wake().has_value());

  XonXoffSignals signals(3);
  payload = "ab";
  line.clear();
  signals.feed(payload, line, kStart);
  signals.reset();
  payload = "cde";
  signals.feed(payload, line, kStart);
  EXPECT_EQ(line, "abcde\x13");
}

}  // namespace
}  // namespace isp_sim
