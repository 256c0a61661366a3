#include "line_pacer.hpp"

#include <gtest/gtest.h>

namespace isp_sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

const TimePoint kStart = TimePoint{} + std::chrono::hours(1);

TEST(LinePacer, UnpacedSendsEverythingAtOnce) {
  LinePacer pacer(0);
  EXPECT_EQ(pacer.due(5000, kStart), 5000u);
  EXPECT_FALSE(pacer.next_due().has_value());
}

TEST(LinePacer, ABytePerTenBitTimes) {
  LinePacer pacer(9600);  // 960 bytes a second
  EXPECT_EQ(pacer.due(100, kStart), 0u);
  ASSERT_TRUE(pacer.next_due().has_value());
  EXPECT_EQ(*pacer.next_due() - kStart,
            std::chrono::nanoseconds(1041667));  // 10/9600 s, rounded up
  EXPECT_EQ(pacer.due(100, kStart + microseconds(1041)), 0u);
  EXPECT_EQ(pacer.due(100, kStart + microseconds(1042)), 1u);
  EXPECT_EQ(pacer.due(100, kStart + milliseconds(10)), 9u);  // 9.6 bytes done
}

TEST(LinePacer, TellsWhenALaterWaitingByteFallsDue) {
  LinePacer pacer(9600);
  EXPECT_FALSE(pacer.due_time(3).has_value());  // no burst under way
  pacer.due(3, kStart);
  EXPECT_EQ(*pacer.due_time(1), *pacer.next_due());
  EXPECT_EQ(*pacer.due_time(3) - kStart, std::chrono::nanoseconds(3125000));  // 30/9600 s
  // After one has gone out, the third waiting byte is the fourth of the burst.
  ASSERT_EQ(pacer.due(3, kStart + milliseconds(2)), 1u);
  pacer.sent(1, 2);
  EXPECT_EQ(*pacer.due_time(3) - kStart, std::chrono::nanoseconds(4166667));
}

TEST(LinePacer, DeadlinesDoNotDriftOverManySmallSends) {
  LinePacer pacer(115200);  // 11520 bytes a second, not a whole number of microseconds each
  std::size_t queued = 20000;
  std::size_t total = 0;
  TimePoint now = kStart;
  pacer.due(queued, now);
  while (queued > 0) {
    now = *pacer.next_due();
    const std::size_t due = pacer.due(queued, now);
    ASSERT_GE(due, 1u);
    queued -= due;
    total += due;
    pacer.sent(due, queued);
    if (total == 11520) {
      EXPECT_EQ(now - kStart, std::chrono::seconds(1));
    }
  }
  EXPECT_EQ(total, 20000u);
}

TEST(LinePacer, LateCallerCatchesUpAndIdleLineStartsAfresh) {
  LinePacer pacer(9600);
  pacer.due(3, kStart);
  EXPECT_EQ(pacer.due(3, kStart + milliseconds(50)), 3u);  // all three long done
  pacer.sent(3, 0);
  EXPECT_FALSE(pacer.next_due().has_value());
  const TimePoint later = kStart + milliseconds(500);
  EXPECT_EQ(pacer.due(10, later), 0u);  // a new burst: nothing done yet
  EXPECT_EQ(*pacer.next_due() - later, std::chrono::nanoseconds(1041667));
}

TEST(LinePacer, BlockedWritesAreCountedOnlyWhenTheyGoOut) {
  LinePacer pacer(9600);
  pacer.due(10, kStart);
  const TimePoint now = kStart + milliseconds(5);  // 4 bytes done
  ASSERT_EQ(pacer.due(10, now), 4u);
  pacer.sent(1, 9);  // the host's queue took only one
  EXPECT_EQ(pacer.due(9, now), 3u);
}

}  // namespace
}  // namespace isp_sim
