// Flash commands: P (prepare), E (erase), I (blank check), C (copy RAM to flash).
#include <algorithm>
#include <array>

#include "boot_loader.hpp"

namespace isp_sim {
namespace {

constexpr std::array<std::uint32_t, 4> kCopySizes = {256, 512, 1024, 4096};
// What --fail-blank-check reports when the sectors are in fact blank: a word with one bit stuck.
constexpr std::uint32_t kStuckWord = 0xFFFFFFFE;
// How long the flash takes on silicon: an erase per 4 KiB of sector, programming per 256 bytes.
constexpr std::chrono::milliseconds kEraseTimePer4KiB{100};
constexpr std::chrono::milliseconds kProgramTimePer256Bytes{1};

}  // namespace

bool BootLoader::valid_sector_range(std::uint32_t first, std::uint32_t last) const {
  return first <= last && last < memory_.sector_count();
}

bool BootLoader::all_prepared(unsigned first, unsigned last) const {
  for (unsigned sector = first; sector <= last; ++sector) {
    if (!prepared_[sector]) return false;
  }
  return true;
}

bool BootLoader::erase_refused_by_crp(std::uint32_t first, std::uint32_t last) const {
  const bool all = first == 0 && last + 1 == memory_.sector_count();
  if (crp_.erase_only_all) return !all;
  return crp_.erase_of_sector_0_only_with_all && first == 0 && !all;
}

std::chrono::milliseconds BootLoader::erase_duration(unsigned first, unsigned last) const {
  if (settings_.faults.erase_time) return *settings_.faults.erase_time;
  if (!settings_.real_work_times) return {};
  std::chrono::milliseconds total{0};
  for (unsigned sector = first; sector <= last; ++sector) {
    total += kEraseTimePer4KiB * (memory_.sector_size(sector) / 4096);
  }
  return total;
}

BootLoader::Reply BootLoader::prepare_sectors(const CommandLine& command) {
  const auto args = decimal_args(command, 2);
  if (!args) return {ReturnCode::kParamError};
  const std::uint32_t first = args->at(0), last = args->at(1);
  if (!valid_sector_range(first, last)) return {ReturnCode::kInvalidSector};
  if (settings_.faults.fail_prepare) return {ReturnCode::kBusy};
  for (std::uint32_t sector = first; sector <= last; ++sector) prepared_[sector] = true;
  return {};
}

BootLoader::Reply BootLoader::erase_sectors(const CommandLine& command) {
  const auto args = decimal_args(command, 2);
  if (!args) return {ReturnCode::kParamError};
  if (!unlocked_) return {ReturnCode::kCmdLocked};
  const std::uint32_t first = args->at(0), last = args->at(1);
  if (!valid_sector_range(first, last)) return {ReturnCode::kInvalidSector};
  if (erase_refused_by_crp(first, last)) return {ReturnCode::kCodeReadProtectionEnabled};
  if (!all_prepared(first, last)) return {ReturnCode::kSectorNotPrepared};
  if (settings_.faults.fail_erase) return {ReturnCode::kBusy};
  for (std::uint32_t sector = first; sector <= last; ++sector) {
    memory_.erase_sector(sector);
    prepared_[sector] = false;
    report_.sectors_erased.insert(sector);
  }
  Reply reply;
  reply.delay = erase_duration(first, last);
  return reply;
}

BootLoader::Reply BootLoader::blank_check_sectors(const CommandLine& command) const {
  const auto args = decimal_args(command, 2);
  if (!args) return {ReturnCode::kParamError};
  const std::uint32_t first = args->at(0), last = args->at(1);
  if (!valid_sector_range(first, last)) return {ReturnCode::kInvalidSector};
  std::optional<std::uint32_t> offset = memory_.first_non_blank_offset(first, last);
  std::uint32_t word = offset ? memory_.read_word(memory_.sector_start(first) + *offset) : 0;
  if (!offset && settings_.faults.fail_blank_check) {
    offset = 0;
    word = kStuckWord;
  }
  if (!offset) return {};
  return {ReturnCode::kSectorNotBlank, {std::to_string(*offset), std::to_string(word)}};
}

BootLoader::Reply BootLoader::copy_ram_to_flash(const CommandLine& command) {
  if (settings_.faults.no_copy_reply) {
    Reply silence;
    silence.unanswered = true;
    return silence;
  }
  const auto args = decimal_args(command, 3);
  if (!args) return {ReturnCode::kParamError};
  if (!unlocked_) return {ReturnCode::kCmdLocked};
  if (crp_.write_copy_and_go_refused) return {ReturnCode::kCodeReadProtectionEnabled};
  const std::uint32_t flash = args->at(0), ram = args->at(1), count = args->at(2);
  if (flash % 256 != 0) return {ReturnCode::kDstAddrError};
  if (ram % 4 != 0) return {ReturnCode::kSrcAddrError};
  if (std::find(kCopySizes.begin(), kCopySizes.end(), count) == kCopySizes.end()) {
    return {ReturnCode::kCountError};
  }
  if (!memory_.in_flash(flash, count)) return {ReturnCode::kDstAddrNotMapped};
  if (!memory_.in_ram(ram, count)) return {ReturnCode::kSrcAddrNotMapped};
  const unsigned first = memory_.sector_of(flash);
  const unsigned last = memory_.sector_of(flash + count - 1);
  if (crp_.copy_to_sector_0_refused && first == 0) {
    return {ReturnCode::kCodeReadProtectionEnabled};
  }
  if (!all_prepared(first, last)) return {ReturnCode::kSectorNotPrepared};
  if (settings_.faults.copy_error) return {ReturnCode::kBusy};

  report_.flash_lines_programmed_twice += memory_.program_flash(flash, memory_.read(ram, count));
  for (unsigned sector = first; sector <= last; ++sector) prepared_[sector] = false;
  report_.copied_blocks.push_back({flash, ram, count});

  Reply reply;
  if (settings_.real_work_times) reply.delay = kProgramTimePer256Bytes * (count / 256);
  const auto limit = settings_.faults.hang_up_after_copies;
  if (limit && report_.copied_blocks.size() == *limit) {
    reply.after = [] { return BootEvent::kHangUp; };
  }
  return reply;
}

}  // namespace isp_sim
