#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace isp_sim {

// The rate the part's UART runs at, against the rate the host's end is set to. The boot loader
// takes the host's rate from the first bytes after a reset (its autobaud on "?"), and "B" changes
// it after its answer has gone out at the old rate (the "Set Baud Rate" command of UM10398 and
// UM10360: the new rate takes effect after the return code is sent). Bytes sent while the two
// differ arrive as garbage, as a real UART receives them at the wrong rate (framing errors and
// wrong bits): here simply each one replaced by another byte.
class UartRate {
 public:
  // The first bytes after a reset fix the rate, as the autobaud does.
  void autobaud(std::optional<std::uint32_t> host) {
    if (!rate_) rate_ = host;
  }
  void set(std::uint32_t rate) { rate_ = rate; }
  void forget() { rate_.reset(); }
  std::optional<std::uint32_t> rate() const { return rate_; }

  // Passes bytes between the part and a host set to `host`: unchanged while the rates agree (or
  // either is unknown), garbage otherwise.
  void carry(std::string& bytes, std::optional<std::uint32_t> host);

 private:
  std::optional<std::uint32_t> rate_;
  std::uint32_t state_ = 0x9E3779B9;
};

}  // namespace isp_sim
