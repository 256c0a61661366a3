#pragma once

#include <cstdint>
#include <string>

namespace cli {

// What a station shows when a module is done, to be read from a step
// away: PASS or FAIL in letters five lines high (green or red on a
// terminal that takes colour), then the port, the part's serial number
// (or why it failed) and the time taken. Not large: one plain line.
struct Verdict {
  bool passed = false;
  std::string port;
  std::string serial;  // empty when the part did not say
  std::string error;   // when it failed
  std::uint64_t duration_ms = 0;
};

std::string VerdictText(const Verdict& verdict, bool large, bool colour);

}  // namespace cli
