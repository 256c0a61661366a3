#include "uart_rate.hpp"

namespace isp_sim {

void UartRate::carry(std::string& bytes, std::optional<std::uint32_t> host) {
  if (!rate_ || !host || *rate_ == *host) return;
  for (char& byte : bytes) {
    // xorshift32: arbitrary, but the same for every run.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    auto garbled = static_cast<unsigned char>(state_);
    // A byte at the wrong rate never comes through as itself.
    if (garbled == static_cast<unsigned char>(byte)) garbled ^= 0x5A;
    byte = static_cast<char>(garbled);
  }
}

}  // namespace isp_sim
