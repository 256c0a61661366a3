#include "noise_source.hpp"

namespace isp_sim {

std::string NoiseSource::burst() {
  std::string bytes;
  bytes.reserve(burst_length_);
  for (unsigned i = 0; i < burst_length_; ++i) {
    if (i == 0) {
      bytes += '\0';
    } else if (i == 1) {
      bytes += '\xFF';
    } else {
      bytes += static_cast<char>(next_byte());
    }
  }
  return bytes;
}

std::uint8_t NoiseSource::next_byte() {
  for (;;) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    const auto byte = static_cast<std::uint8_t>(state_ >> 24);
    if (byte != '\r' && byte != '\n') return byte;
  }
}

}  // namespace isp_sim
