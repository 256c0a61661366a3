#pragma once

#include <cstdint>

namespace comm {

// Milliseconds of a monotonic clock, truncated to 32 bits. Callers measure
// elapsed time as the unsigned difference of two readings, so a wrap of the
// counter during a wait does no harm.
std::uint32_t MonotonicMs();

void SleepMs(std::uint32_t ms);

// Gives up the rest of the time slice, for loops that poll without sleeping.
void YieldSlice();

}  // namespace comm
