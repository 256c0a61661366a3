#include "wire.hpp"

#include <algorithm>

namespace isp_sim {

void Wire::hold_for(std::chrono::milliseconds delay) {
  hold_until_ = std::max(now_, hold_until_) + delay;
}

void Wire::send(std::string_view bytes) {
  if (bytes.empty()) return;
  const TimePoint release = std::max(now_, hold_until_);
  if (!chunks_.empty() && chunks_.back().release == release) {
    chunks_.back().bytes += bytes;
  } else {
    chunks_.push_back({release, std::string(bytes)});
  }
}

void Wire::send_line(std::string_view text) {
  send(text);
  send("\r\n");
}

void Wire::send_noise() {
  send(noise_.burst());
}

void Wire::echo_line(std::string_view text) {
  send_noise();
  send_line(text);
}

std::string Wire::take_ready(TimePoint now) {
  std::string ready;
  while (!chunks_.empty() && chunks_.front().release <= now) {
    ready += chunks_.front().bytes;
    chunks_.pop_front();
  }
  return ready;
}

std::optional<TimePoint> Wire::next_release() const {
  if (chunks_.empty()) return std::nullopt;
  return chunks_.front().release;
}

}  // namespace isp_sim
