// RAM and memory access commands: W (write to RAM), R (read memory), M (compare).
#include "boot_loader.hpp"

namespace isp_sim {

BootLoader::Reply BootLoader::write_to_ram(const CommandLine& command) {
  const auto args = decimal_args(command, 2);
  if (!args) return {ReturnCode::kParamError};
  if (!unlocked_) return {ReturnCode::kCmdLocked};
  if (crp_.write_copy_and_go_refused) return {ReturnCode::kCodeReadProtectionEnabled};
  const std::uint32_t address = args->at(0), count = args->at(1);
  if (address % 4 != 0) return {ReturnCode::kDstAddrError};
  if (count == 0 || count % 4 != 0) return {ReturnCode::kCountError};
  if (address < crp_.lowest_ram_write) return {ReturnCode::kCodeReadProtectionEnabled};
  if (!memory_.in_ram_write_window(address, count)) return {ReturnCode::kDstAddrNotMapped};
  const bool always_resend = settings_.faults.resend_transfer == write_transfers_;
  auto damage = RamWriteTransfer::Damage::kNone;
  if (settings_.faults.offsetting_error_transfer == write_transfers_)
    damage = RamWriteTransfer::Damage::kOffsetting;
  if (settings_.faults.corrupt_ram_transfer == write_transfers_)
    damage = RamWriteTransfer::Damage::kCorruptByte;
  ++write_transfers_;
  write_.emplace(address, count, always_resend, damage);
  state_ = State::kWriteData;
  return {};
}

BootLoader::Reply BootLoader::read_memory(const CommandLine& command) {
  const auto args = decimal_args(command, 2);
  if (!args) return {ReturnCode::kParamError};
  if (crp_.read_and_compare_refused) return {ReturnCode::kCodeReadProtectionEnabled};
  const std::uint32_t address = args->at(0), count = args->at(1);
  if (address % 4 != 0) return {ReturnCode::kSrcAddrError};
  if (count == 0 || count % 4 != 0) return {ReturnCode::kCountError};
  if (!memory_.is_mapped(address, count)) return {ReturnCode::kSrcAddrNotMapped};
  // The boot ROM's remap belongs to the memory map, not to M alone: a user
  // report of an LPC1765 answers "R 0 512" with other bytes than the flash
  // holds. So R shows the boot ROM in the window unless told otherwise.
  std::vector<std::uint8_t> data = memory_.read(address, count);
  if (!settings_.read_sees_flash) {
    for (std::uint32_t offset = 0; offset < count; offset += 4) {
      const std::uint32_t word = memory_.read_word_seen_by_boot_loader(address + offset);
      for (std::uint32_t i = 0; i < 4; ++i)
        data[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
  }
  read_.emplace(std::move(data));
  state_ = State::kReadAck;
  Reply reply;
  reply.after = [this] {
    send_read_block();
    return BootEvent::kNone;
  };
  return reply;
}

BootLoader::Reply BootLoader::compare_memory(const CommandLine& command) const {
  const auto args = decimal_args(command, 3);
  if (!args) return {ReturnCode::kParamError};
  if (crp_.read_and_compare_refused) return {ReturnCode::kCodeReadProtectionEnabled};
  const std::uint32_t first = args->at(0), second = args->at(1), count = args->at(2);
  if (first % 4 != 0) return {ReturnCode::kDstAddrError};
  if (second % 4 != 0) return {ReturnCode::kSrcAddrError};
  if (count == 0 || count % 4 != 0) return {ReturnCode::kCountError};
  if (!memory_.is_mapped(first, count)) return {ReturnCode::kDstAddrNotMapped};
  if (!memory_.is_mapped(second, count)) return {ReturnCode::kSrcAddrNotMapped};
  for (std::uint32_t offset = 0; offset < count; offset += 4) {
    if (memory_.read_word_seen_by_boot_loader(first + offset) !=
        memory_.read_word_seen_by_boot_loader(second + offset)) {
      return {ReturnCode::kCompareError, {std::to_string(offset)}};
    }
  }
  return {};
}

}  // namespace isp_sim
