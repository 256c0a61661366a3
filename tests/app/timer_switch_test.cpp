// Enabling a timer that runs already must not restart its countdown: the
// outcome of a run is cleared two seconds after the first of two quick ends.
#include <QThread>
#include <QTimer>

#include "app/timer_switch.h"
#include "tests/app/window_fixture.h"

namespace app_test {
namespace {

TEST(EnableTimerTest, SecondEnableKeepsTheCountdownGoing) {
  EnsureApplication();
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);  // a coarse timer may report up to 5 % more
  timer.setInterval(10000);
  app::EnableTimer(timer);
  ASSERT_TRUE(timer.isActive());
  QThread::msleep(300);
  app::EnableTimer(timer);
  EXPECT_TRUE(timer.isActive());
  // A restart would have put the countdown back near 10000 ms.
  EXPECT_LE(timer.remainingTime(), 9800);
}

}  // namespace
}  // namespace app_test
