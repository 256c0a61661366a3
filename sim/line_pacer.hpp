#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "sim_clock.hpp"

namespace isp_sim {

// Holds bytes back until a UART at the given rate (8N1, ten bit times per byte) would have
// finished sending them. Times come from a fixed start of each burst, so rounding never adds up.
class LinePacer {
 public:
  // A rate of 0 means no pacing: everything is due at once.
  explicit LinePacer(std::uint32_t baud_rate) : baud_rate_(baud_rate) {}

  // How many of `queued` waiting bytes are due by `now`. Waiting bytes with no burst under way
  // start one at `now`.
  std::size_t due(std::size_t queued, TimePoint now);
  // `count` bytes went out and `still_queued` wait; when none wait the line is idle again.
  void sent(std::size_t count, std::size_t still_queued);
  // When the next waiting byte falls due; nothing while no burst is under way.
  std::optional<TimePoint> next_due() const;
  // When the count-th waiting byte (from 1) falls due; nothing while no burst is under way.
  std::optional<TimePoint> due_time(std::size_t count) const;

 private:
  std::uint64_t bytes_done_by(TimePoint now) const;
  TimePoint byte_done_at(std::uint64_t index) const;

  std::uint32_t baud_rate_;
  bool in_burst_ = false;
  TimePoint burst_start_{};
  std::uint64_t burst_sent_ = 0;
};

}  // namespace isp_sim
