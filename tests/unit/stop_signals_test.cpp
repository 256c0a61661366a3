// The run's stop signals: the first one asks for a stop, a second one ends
// the program at once.
#include "cli/stop_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace {

#ifndef _WIN32
TEST(StopSignalsDeathTest, FirstSignalAsksForAStopAndASecondEndsTheProgram) {
  EXPECT_EXIT(
      {
        cli::StopSignals stop;
        std::raise(SIGINT);
        if (!stop.Requested() || stop.Signal() != SIGINT) std::_Exit(3);
        std::raise(SIGTERM);  // any second signal, not only the same one
        std::_Exit(4);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

TEST(StopSignalsTest, OneSignalLeavesTheProgramRunning) {
  cli::StopSignals stop;
  EXPECT_FALSE(stop.Requested());
  std::raise(SIGTERM);
  EXPECT_TRUE(stop.Requested());
  EXPECT_EQ(stop.Signal(), SIGTERM);
}

// Under nohup, or as a background job, a stop signal comes in ignored: the
// run must neither stop for it nor die of a second one.
TEST(StopSignalsTest, SignalThatCameInIgnoredStaysIgnored) {
  const auto before = std::signal(SIGHUP, SIG_IGN);
  {
    cli::StopSignals stop;
    std::raise(SIGHUP);
    std::raise(SIGHUP);
    EXPECT_FALSE(stop.Requested());
  }
  EXPECT_EQ(std::signal(SIGHUP, before), SIG_IGN);
}
#endif

}  // namespace
