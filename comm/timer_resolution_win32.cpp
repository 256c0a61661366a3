#include "comm/timer_resolution_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it builds on.
#include <timeapi.h>

namespace comm::win32 {
namespace {

constexpr UINT kPeriodMs = 1;

}  // namespace

TimerResolution::TimerResolution() : raised_(timeBeginPeriod(kPeriodMs) == TIMERR_NOERROR) {}

TimerResolution::~TimerResolution() {
  // Every raise that succeeded is matched by exactly one end.
  if (raised_) timeEndPeriod(kPeriodMs);
}

}  // namespace comm::win32
