#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "simulated_part.hpp"

namespace isp_sim::testing {

inline constexpr std::uint32_t kRamBuffer = 0x10000300;  // 268436224

// The host's restart stub: ldr r0,[pc,#4]; ldr r1,[pc,#8]; str r1,[r0]; b .; then the AIRCR
// address and VECTKEY | SYSRESETREQ. Written at kRamBuffer and started with "G 268436224 T".
inline const std::vector<std::uint8_t> kRestartRoutine = {
    0x01, 0x48, 0x02, 0x49, 0x01, 0x60, 0xFE, 0xE7, 0x0C, 0xED, 0x00, 0xE0, 0x04, 0x00, 0xFA, 0x05};

// Feeds a SimulatedPart strings as the host would and returns what it answers, with a clock
// that only moves when told to. Bytes the part does not take while it is busy wait for it, as
// they would on the line.
class PartDriver {
 public:
  explicit PartDriver(PartSettings settings = {}, std::vector<std::uint8_t> flash = {});

  // Bytes from the host; returns the output due at once.
  std::string send(std::string_view bytes);
  // Bytes still waiting for a busy part.
  std::size_t waiting() const { return waiting_.size(); }
  // A command line ended with CR LF; returns the output due at once.
  std::string command(std::string_view line) { return send(std::string(line) + "\r\n"); }
  // Moves the clock; returns the output that fell due meanwhile.
  std::string wait(std::chrono::milliseconds delay);

  // Handshake at 12000 kHz, checking every answer (in either echo dialect).
  void synchronise();
  void unlock();
  // W of `data` at `address`, with checksums, checking the answers.
  void write_ram(std::uint32_t address, const std::vector<std::uint8_t>& data);

  SimulatedPart& part() { return part_; }

 private:
  // What the part echoes of a line sent with `line_end`.
  std::string echo_of(std::string_view line, std::string_view line_end) const;
  void feed();

  EchoDialect dialect_;
  SimulatedPart part_;
  TimePoint now_{};
  std::string waiting_;
};

// Lines joined, each ended with CR LF.
std::string lines(std::initializer_list<std::string_view> texts);
// What the part sends for a command answered with a bare return code.
std::string echoed_reply(std::string_view line, int code);
// A flash image whose vector table passes the valid-user-code check.
std::vector<std::uint8_t> valid_user_code_image();

}  // namespace isp_sim::testing
