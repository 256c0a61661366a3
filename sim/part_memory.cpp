#include "part_memory.hpp"

#include <algorithm>
#include <stdexcept>

namespace isp_sim {
namespace {

// The boot ROM sits at 0x1FFF0000; its vectors point into it.
constexpr std::uint32_t kBootRomBase = 0x1FFF0000;

bool inside(std::uint32_t address, std::uint32_t count, std::uint32_t base, std::uint32_t size) {
  const std::uint64_t end = std::uint64_t{address} + count;
  return address >= base && end <= std::uint64_t{base} + size;
}

std::uint32_t little_endian_word(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

}  // namespace

PartMemory::PartMemory(const PartInfo& part)
    : part_(part),
      flash_(part.flash_size, kErasedByte),
      ram_(part.ram_size, 0),
      line_programmed_(part.flash_size / kEccLineSize, false) {}

bool PartMemory::in_flash(std::uint32_t address, std::uint32_t count) const {
  return inside(address, count, kFlashBase, part_.flash_size);
}

bool PartMemory::in_ram(std::uint32_t address, std::uint32_t count) const {
  return inside(address, count, kRamBase, part_.ram_size);
}

bool PartMemory::in_ram_write_window(std::uint32_t address, std::uint32_t count) const {
  return inside(address, count, part_.ram_buffer_start,
                part_.ram_buffer_end - part_.ram_buffer_start);
}

unsigned PartMemory::sector_count() const {
  return part_.sectors[0].count + part_.sectors[1].count;
}

unsigned PartMemory::sector_of(std::uint32_t flash_address) const {
  const SectorRun& small = part_.sectors[0];
  const std::uint32_t small_end = small.count * small.size;
  if (flash_address < small_end || part_.sectors[1].size == 0) return flash_address / small.size;
  return small.count + (flash_address - small_end) / part_.sectors[1].size;
}

std::uint32_t PartMemory::sector_start(unsigned sector) const {
  const SectorRun& small = part_.sectors[0];
  if (sector <= small.count) return sector * small.size;
  return small.count * small.size + (sector - small.count) * part_.sectors[1].size;
}

std::uint32_t PartMemory::sector_size(unsigned sector) const {
  if (sector >= sector_count()) throw std::out_of_range("no such sector");
  return sector < part_.sectors[0].count ? part_.sectors[0].size : part_.sectors[1].size;
}

const std::uint8_t* PartMemory::locate(std::uint32_t address) const {
  if (in_flash(address, 1)) return flash_.data() + (address - kFlashBase);
  if (in_ram(address, 1)) return ram_.data() + (address - kRamBase);
  throw std::out_of_range("address not mapped");
}

std::vector<std::uint8_t> PartMemory::read(std::uint32_t address, std::uint32_t count) const {
  if (!is_mapped(address, count)) throw std::out_of_range("range not mapped");
  if (count == 0) return {};
  const std::uint8_t* first = locate(address);
  return {first, first + count};
}

std::uint32_t PartMemory::read_word(std::uint32_t address) const {
  if (!is_mapped(address, 4)) throw std::out_of_range("word not mapped");
  return little_endian_word(locate(address));
}

std::uint16_t PartMemory::read_halfword(std::uint32_t address) const {
  if (!is_mapped(address, 2)) throw std::out_of_range("halfword not mapped");
  const std::uint8_t* bytes = locate(address);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t PartMemory::read_word_seen_by_boot_loader(std::uint32_t address) const {
  if (!in_flash(address, 4) || address >= part_.boot_rom_window) return read_word(address);
  // The ROM's vector table: its stack top, then handlers inside the ROM (Thumb addresses).
  if (address == 0) return kRamBase + part_.ram_size - 32;
  return kBootRomBase + 0x100 + address * 2 + 1;
}

void PartMemory::write_ram(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  if (!in_ram(address, static_cast<std::uint32_t>(bytes.size()))) {
    throw std::out_of_range("RAM write outside RAM");
  }
  std::copy(bytes.begin(), bytes.end(), ram_.begin() + (address - kRamBase));
}

void PartMemory::write_ram_word(std::uint32_t address, std::uint32_t value) {
  const std::uint8_t bytes[4] = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  write_ram(address, bytes);
}

unsigned PartMemory::program_flash(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  const auto count = static_cast<std::uint32_t>(bytes.size());
  if (!in_flash(address, count)) throw std::out_of_range("flash program outside flash");
  auto cell = flash_.begin() + (address - kFlashBase);
  for (std::uint8_t value : bytes) {
    *cell = static_cast<std::uint8_t>(*cell & value);
    ++cell;
  }
  if (!part_.ecc_lines || count == 0) return 0;
  unsigned again = 0;
  const std::uint32_t first_line = address / kEccLineSize;
  const std::uint32_t last_line = (address + count - 1) / kEccLineSize;
  for (std::uint32_t line = first_line; line <= last_line; ++line) {
    if (!line_programmed_[line]) {
      line_programmed_[line] = true;
      continue;
    }
    ++again;
    // The ECC no longer fits the cells: the line's first byte reads as the inverse of what
    // this write meant to store there, so the line never reads back as written.
    const std::uint32_t start = line * kEccLineSize;
    const std::uint32_t offset = std::max(start, address) - address;
    flash_[start] = static_cast<std::uint8_t>(~bytes[offset]);
  }
  return again;
}

void PartMemory::erase_sector(unsigned sector) {
  const std::uint32_t start = sector_start(sector);
  const std::uint32_t size = sector_size(sector);
  std::fill_n(flash_.begin() + start, size, kErasedByte);
  std::fill_n(line_programmed_.begin() + start / kEccLineSize, size / kEccLineSize, false);
}

std::optional<std::uint32_t> PartMemory::first_non_blank_offset(unsigned first,
                                                                unsigned last) const {
  const std::uint32_t start = sector_start(first);
  const std::uint32_t end = sector_start(last) + sector_size(last);
  for (std::uint32_t address = start; address < end; address += 4) {
    if (read_word(address) != 0xFFFFFFFFu) return address - start;
  }
  return std::nullopt;
}

bool PartMemory::user_code_valid() const {
  std::uint32_t sum = 0;
  for (std::uint32_t word = 0; word < 8; ++word) sum += read_word(kFlashBase + word * 4);
  return sum == 0;
}

void PartMemory::load_flash(std::span<const std::uint8_t> image) {
  if (image.size() > flash_.size()) throw std::length_error("flash image larger than flash");
  std::fill(flash_.begin(), flash_.end(), kErasedByte);
  std::copy(image.begin(), image.end(), flash_.begin());
  for (std::size_t line = 0; line < line_programmed_.size(); ++line) {
    const auto first = flash_.begin() + static_cast<std::ptrdiff_t>(line * kEccLineSize);
    line_programmed_[line] =
        std::any_of(first, first + kEccLineSize, [](std::uint8_t b) { return b != kErasedByte; });
  }
}

}  // namespace isp_sim
