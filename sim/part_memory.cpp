#include "part_memory.hpp"

#include <algorithm>
#include <stdexcept>

namespace isp_sim {
namespace {

bool inside(std::uint32_t address, std::uint32_t count, std::uint32_t base, std::uint32_t size) {
  const std::uint64_t end = std::uint64_t{address} + count;
  return address >= base && end <= std::uint64_t{base} + size;
}

std::uint32_t little_endian_word(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

}  // namespace

PartMemory::PartMemory() : flash_(kFlashSize, kErasedByte), ram_(kRamSize, 0) {}

bool PartMemory::in_flash(std::uint32_t address, std::uint32_t count) {
  return inside(address, count, kFlashBase, kFlashSize);
}

bool PartMemory::in_ram(std::uint32_t address, std::uint32_t count) {
  return inside(address, count, kRamBase, kRamSize);
}

bool PartMemory::in_ram_write_window(std::uint32_t address, std::uint32_t count) {
  return inside(address, count, kRamWritableStart, kRamWritableEnd - kRamWritableStart);
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

void PartMemory::program_flash(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  if (!in_flash(address, static_cast<std::uint32_t>(bytes.size()))) {
    throw std::out_of_range("flash program outside flash");
  }
  auto cell = flash_.begin() + (address - kFlashBase);
  for (std::uint8_t value : bytes) {
    *cell = static_cast<std::uint8_t>(*cell & value);
    ++cell;
  }
}

void PartMemory::erase_sector(unsigned sector) {
  if (sector >= kSectorCount) throw std::out_of_range("no such sector");
  auto first = flash_.begin() + sector * kSectorSize;
  std::fill(first, first + kSectorSize, kErasedByte);
}

std::optional<std::uint32_t> PartMemory::first_non_blank_offset(unsigned first,
                                                                unsigned last) const {
  const std::uint32_t start = first * kSectorSize;
  const std::uint32_t end = (last + 1) * kSectorSize;
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
  if (image.size() > kFlashSize) throw std::length_error("flash image larger than flash");
  std::fill(flash_.begin(), flash_.end(), kErasedByte);
  std::copy(image.begin(), image.end(), flash_.begin());
}

}  // namespace isp_sim
