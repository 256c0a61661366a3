#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace isp_sim {

inline constexpr std::uint32_t kFlashBase = 0x00000000;
inline constexpr std::uint32_t kFlashSize = 64 * 1024;
inline constexpr std::uint32_t kSectorSize = 4 * 1024;
inline constexpr unsigned kSectorCount = kFlashSize / kSectorSize;
inline constexpr std::uint8_t kErasedByte = 0xFF;

inline constexpr std::uint32_t kRamBase = 0x10000000;
inline constexpr std::uint32_t kRamSize = 8 * 1024;
// The ROM keeps its variables below 0x10000300 and its stack in the top 256 bytes of RAM, so
// "W" may only write between these two addresses.
inline constexpr std::uint32_t kRamWritableStart = 0x10000300;
inline constexpr std::uint32_t kRamWritableEnd = 0x10001F00;

// Flash and RAM of the part. Flash can only be cleared bit by bit or erased a sector at a time.
class PartMemory {
 public:
  PartMemory();

  static bool in_flash(std::uint32_t address, std::uint32_t count);
  static bool in_ram(std::uint32_t address, std::uint32_t count);
  static bool in_ram_write_window(std::uint32_t address, std::uint32_t count);
  static bool is_mapped(std::uint32_t address, std::uint32_t count) {
    return in_flash(address, count) || in_ram(address, count);
  }
  static unsigned sector_of(std::uint32_t flash_address) { return flash_address / kSectorSize; }

  // The range must be mapped (see is_mapped).
  std::vector<std::uint8_t> read(std::uint32_t address, std::uint32_t count) const;
  std::uint32_t read_word(std::uint32_t address) const;
  std::uint16_t read_halfword(std::uint32_t address) const;

  void write_ram(std::uint32_t address, std::span<const std::uint8_t> bytes);
  void write_ram_word(std::uint32_t address, std::uint32_t value);

  // Programs flash the way the cells work: each byte becomes old AND new.
  void program_flash(std::uint32_t address, std::span<const std::uint8_t> bytes);
  void erase_sector(unsigned sector);
  // Offset from the start of sector `first` of the first word in sectors first..last that is
  // not erased.
  std::optional<std::uint32_t> first_non_blank_offset(unsigned first, unsigned last) const;

  // Valid-user-code criterion of the ROM: flash words 0..7 add up to zero.
  bool user_code_valid() const;

  // Replaces the start of flash with `image` (at most kFlashSize bytes); the rest is erased.
  void load_flash(std::span<const std::uint8_t> image);
  const std::vector<std::uint8_t>& flash() const { return flash_; }

 private:
  const std::uint8_t* locate(std::uint32_t address) const;

  std::vector<std::uint8_t> flash_;
  std::vector<std::uint8_t> ram_;
};

}  // namespace isp_sim
