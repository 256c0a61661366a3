#pragma once

#include <chrono>

namespace isp_sim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

}  // namespace isp_sim
