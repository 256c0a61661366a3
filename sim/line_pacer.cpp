#include "line_pacer.hpp"

#include <algorithm>

namespace isp_sim {
namespace {

constexpr std::uint64_t kBitsPerByte = 10;
constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;
// Nanoseconds per byte is kByteNanos / baud rate.
constexpr std::uint64_t kByteNanos = kBitsPerByte * kNanosPerSecond;

}  // namespace

std::size_t LinePacer::due(std::size_t queued, TimePoint now) {
  if (baud_rate_ == 0 || queued == 0) return queued;
  if (!in_burst_) {
    in_burst_ = true;
    burst_start_ = now;
    burst_sent_ = 0;
  }
  const std::uint64_t done = bytes_done_by(now);
  if (done <= burst_sent_) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(queued, done - burst_sent_));
}

void LinePacer::sent(std::size_t count, std::size_t still_queued) {
  burst_sent_ += count;
  // Bytes only leave once their time is up, so an empty queue means an idle line.
  if (still_queued == 0) in_burst_ = false;
}

std::optional<TimePoint> LinePacer::next_due() const {
  return due_time(1);
}

std::optional<TimePoint> LinePacer::due_time(std::size_t count) const {
  if (baud_rate_ == 0 || !in_burst_) return std::nullopt;
  return byte_done_at(burst_sent_ + std::max<std::size_t>(count, 1) - 1);
}

std::uint64_t LinePacer::bytes_done_by(TimePoint now) const {
  if (now <= burst_start_) return 0;
  const auto nanos = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(now - burst_start_).count());
  // nanos * baud / kByteNanos, split so the product cannot overflow.
  return nanos / kByteNanos * baud_rate_ + nanos % kByteNanos * baud_rate_ / kByteNanos;
}

TimePoint LinePacer::byte_done_at(std::uint64_t index) const {
  const std::uint64_t bytes = index + 1;
  // ceil(bytes * kByteNanos / baud), split the same way.
  const std::uint64_t nanos = bytes / baud_rate_ * kByteNanos +
                              (bytes % baud_rate_ * kByteNanos + baud_rate_ - 1) / baud_rate_;
  return burst_start_ + std::chrono::nanoseconds(static_cast<std::int64_t>(nanos));
}

}  // namespace isp_sim
