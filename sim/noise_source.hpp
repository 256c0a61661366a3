#pragma once

#include <cstdint>
#include <string>

namespace isp_sim {

// Line garbage for the --noise fault: bursts of arbitrary bytes that never contain CR or LF.
// Every burst of two or more bytes starts with NUL and 0xFF, the values hosts most often mishandle.
class NoiseSource {
 public:
  explicit NoiseSource(unsigned burst_length) : burst_length_(burst_length) {}

  std::string burst();

 private:
  std::uint8_t next_byte();

  unsigned burst_length_;
  std::uint32_t state_ = 0x2545F491;
};

}  // namespace isp_sim
