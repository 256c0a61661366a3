#include "comm/clock.h"

#include <cstdint>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace comm {
namespace {

std::uint64_t CounterFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<std::uint64_t>(frequency.QuadPart);
}

}  // namespace

// GetTickCount's 32-bit milliseconds that wrap after 49.7 days, but read from
// the performance counter: GetTickCount itself moves in steps of the system
// tick (15.6 ms by default, whatever timeBeginPeriod asks for), which would
// make a 20 ms read time-out measure as 15 or 31 ms.
std::uint32_t MonotonicMs() {
  static const std::uint64_t frequency = CounterFrequency();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  const auto ticks = static_cast<std::uint64_t>(now.QuadPart);
  const std::uint64_t ms = ticks / frequency * 1000u + ticks % frequency * 1000u / frequency;
  return static_cast<std::uint32_t>(ms);
}

void SleepMs(std::uint32_t ms) {
  Sleep(ms);
}

void YieldSlice() {
  Sleep(0);
}

}  // namespace comm
