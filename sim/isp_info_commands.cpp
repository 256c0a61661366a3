// Handshake-free commands that report or set link and part information: U, A, B, J, K, N.
#include <algorithm>
#include <array>

#include "boot_loader.hpp"

namespace isp_sim {
namespace {

// The rates of the "Set Baud Rate <Baud Rate> <stop bit>" ISP command in the user manuals
// (UM10398, LPC111x/LPC11Cxx; UM10360, LPC17xx): 9600 to 230400, nothing else.
constexpr std::array<std::uint32_t, 6> kBaudRates = {9600, 19200, 38400, 57600, 115200, 230400};
constexpr std::uint32_t kBootCodeMajor = 5;
constexpr std::uint32_t kBootCodeMinor = 2;
constexpr std::array<std::uint32_t, 4> kSerialNumber = {0x0F01A2B3, 0x4C5D6E7F, 0x8091A2B3,
                                                        0xC4D5E6F7};

}  // namespace

BootLoader::Reply BootLoader::unlock(const CommandLine& command) {
  const auto args = decimal_args(command, 1);
  if (!args) return {ReturnCode::kParamError};
  if (settings_.faults.fail_unlock || args->at(0) != kUnlockCode) {
    return {ReturnCode::kInvalidCode};
  }
  unlocked_ = true;
  report_.unlocked = true;
  return {};
}

BootLoader::Reply BootLoader::set_echo(const CommandLine& command) {
  const auto args = decimal_args(command, 1);
  if (!args || args->at(0) > 1) return {ReturnCode::kParamError};
  echo_ = args->at(0) == 1;
  return {};
}

BootLoader::Reply BootLoader::set_baud_rate(const CommandLine& command) {
  const auto args = decimal_args(command, 2);
  if (!args) return {ReturnCode::kParamError};
  if (std::find(kBaudRates.begin(), kBaudRates.end(), args->at(0)) == kBaudRates.end() ||
      args->at(0) > settings_.max_baud) {
    return {ReturnCode::kInvalidBaudRate};
  }
  if (args->at(1) != 1 && args->at(1) != 2) return {ReturnCode::kInvalidStopBit};
  report_.baud_rate = args->at(0);
  // The answer still goes out at the old rate; the UART takes the new one after it. A part with
  // --keep-baud answers the same and stays where it was.
  if (!settings_.faults.keep_baud) line_rate_request_ = args->at(0);
  return {};
}

BootLoader::Reply BootLoader::read_part_id(const CommandLine& command) const {
  if (!command.args.empty()) return {ReturnCode::kParamError};
  return {ReturnCode::kSuccess, {std::to_string(settings_.part_id)}};
}

BootLoader::Reply BootLoader::read_boot_code_version(const CommandLine& command) const {
  if (!command.args.empty()) return {ReturnCode::kParamError};
  return {ReturnCode::kSuccess, {std::to_string(kBootCodeMajor), std::to_string(kBootCodeMinor)}};
}

BootLoader::Reply BootLoader::read_serial_number(const CommandLine& command) const {
  if (!command.args.empty()) return {ReturnCode::kParamError};
  Reply reply;
  for (std::uint32_t word : kSerialNumber) reply.lines.push_back(std::to_string(word));
  return reply;
}

}  // namespace isp_sim
