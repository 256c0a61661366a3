#include "comm/clock.h"

#include <sched.h>
#include <time.h>

namespace comm {

std::uint32_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

void SleepMs(std::uint32_t ms) {
  timespec wait{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

void YieldSlice() {
  sched_yield();
}

}  // namespace comm
