#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "sim_clock.hpp"

namespace isp_sim {

// The software flow control of a part whose receive buffer fills: after every `every` bytes of
// output an XOFF, and once that has gone out, a pause of 2 ms and an XON. A host must filter
// both out of what it reads.
class XonXoffSignals {
 public:
  static constexpr char kXon = 0x11;
  static constexpr char kXoff = 0x13;
  static constexpr std::chrono::milliseconds kPause{2};

  // 0: no signals at all.
  explicit XonXoffSignals(unsigned every) : every_(every) {}

  // Moves output from `payload` to `line`, the bytes for the wire, with the signals in between.
  // After an XOFF nothing more moves until `line` is empty (the XOFF is out) and the pause is
  // over.
  void feed(std::string& payload, std::string& line, TimePoint now);
  // When feed() has work again although nothing else happens: the end of a pause.
  std::optional<TimePoint> next_wake() const { return xon_at_; }
  bool xon_owed() const { return xon_owed_; }
  // The line was dropped: start counting afresh.
  void reset();

 private:
  unsigned every_;
  unsigned since_xoff_ = 0;
  bool xon_owed_ = false;
  std::optional<TimePoint> xon_at_;
};

}  // namespace isp_sim
