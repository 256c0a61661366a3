#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "noise_source.hpp"
#include "sim_clock.hpp"

namespace isp_sim {

// What the part puts on its TX line, in order, each piece with the earliest time it may leave.
// A hold (a slow erase, for example) delays everything sent after it.
class Wire {
 public:
  explicit Wire(unsigned noise_bytes_per_echo) : noise_(noise_bytes_per_echo) {}

  void set_clock(TimePoint now) { now_ = now; }
  void hold_for(std::chrono::milliseconds delay);
  // The end of the latest hold; the part takes nothing in until then.
  TimePoint hold_until() const { return hold_until_; }

  void send(std::string_view bytes);
  void send_line(std::string_view text);  // text, CR LF
  void send_noise();
  void echo_line(std::string_view text);  // noise, text, CR LF

  std::string take_ready(TimePoint now);
  std::optional<TimePoint> next_release() const;
  void discard() { chunks_.clear(); }

 private:
  struct Chunk {
    TimePoint release;
    std::string bytes;
  };

  std::deque<Chunk> chunks_;
  TimePoint now_{};
  TimePoint hold_until_{};
  NoiseSource noise_;
};

}  // namespace isp_sim
