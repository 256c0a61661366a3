#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "part_table.hpp"

namespace isp_sim {

inline constexpr std::uint32_t kFlashBase = 0x00000000;
inline constexpr std::uint8_t kErasedByte = 0xFF;
// Flash with ECC is programmed in lines of this many bytes, each once per erase.
inline constexpr std::uint32_t kEccLineSize = 16;

// Flash and RAM of one part. Flash can only be cleared bit by bit or erased a sector at a time.
class PartMemory {
 public:
  explicit PartMemory(const PartInfo& part = default_part());

  const PartInfo& part() const { return part_; }

  bool in_flash(std::uint32_t address, std::uint32_t count) const;
  bool in_ram(std::uint32_t address, std::uint32_t count) const;
  bool in_ram_write_window(std::uint32_t address, std::uint32_t count) const;
  bool is_mapped(std::uint32_t address, std::uint32_t count) const {
    return in_flash(address, count) || in_ram(address, count);
  }

  unsigned sector_count() const;
  // The address must be in flash.
  unsigned sector_of(std::uint32_t flash_address) const;
  std::uint32_t sector_start(unsigned sector) const;
  std::uint32_t sector_size(unsigned sector) const;

  // The range must be mapped (see is_mapped).
  std::vector<std::uint8_t> read(std::uint32_t address, std::uint32_t count) const;
  std::uint32_t read_word(std::uint32_t address) const;
  std::uint16_t read_halfword(std::uint32_t address) const;
  // A word as the boot loader's compare sees it: the lowest flash bytes are covered by the boot
  // ROM's vectors while it runs.
  std::uint32_t read_word_seen_by_boot_loader(std::uint32_t address) const;

  void write_ram(std::uint32_t address, std::span<const std::uint8_t> bytes);
  void write_ram_word(std::uint32_t address, std::uint32_t value);

  // Programs flash the way the cells work: each byte becomes old AND new. On flash with ECC a
  // line programmed a second time since its erase no longer matches its ECC and reads back wrong.
  // Returns how many lines were programmed again that way.
  unsigned program_flash(std::uint32_t address, std::span<const std::uint8_t> bytes);
  void erase_sector(unsigned sector);
  // Offset from the start of sector `first` of the first word in sectors first..last that is
  // not erased.
  std::optional<std::uint32_t> first_non_blank_offset(unsigned first, unsigned last) const;

  // Valid-user-code criterion of the ROM: flash words 0..7 add up to zero.
  bool user_code_valid() const;

  // Replaces the start of flash with `image` (at most the flash size); the rest is erased.
  // Lines that hold programmed bytes count as programmed.
  void load_flash(std::span<const std::uint8_t> image);
  const std::vector<std::uint8_t>& flash() const { return flash_; }

 private:
  const std::uint8_t* locate(std::uint32_t address) const;

  PartInfo part_;
  std::vector<std::uint8_t> flash_;
  std::vector<std::uint8_t> ram_;
  std::vector<bool> line_programmed_;  // per ECC line, since its last erase
};

}  // namespace isp_sim
