#include "isp/part_table.h"

#include <algorithm>
#include <deque>

namespace isp {
namespace {

constexpr std::uint32_t kKiB = 1024;
constexpr std::uint32_t kRamBase = 0x10000000;

const std::vector<PartInfo>& BuiltInParts() {
  // From the ISP chapters of the parts' user manuals. The W range ends 256
  // bytes below the top of RAM: the boot loader's flash commands use the top
  // 32 bytes and its stack sits below them.
  //
  // The boot ROM's window: the Compare command's remarks in the ISP chapters
  // of UM10398 (LPC111x) and UM10360 (LPC17xx) say that the first 512 (LPC17xx:
  // 64) bytes from address 0 are remapped to the boot ROM while the boot
  // loader runs. That remap belongs to the memory map, not to M: a user
  // report on NXP's forum shows an LPC1765 answering "R 0 512" with other
  // bytes than the flash holds, with a right checksum, while "R 512 512" reads
  // the flash. So every row says that R shows the boot ROM there too (false).
  static const std::vector<PartInfo> kParts = {
      {.id = 0x3670002B,
       .name = "LPC1227",
       .flash_size = 128 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 32}},
       .ram_size = 8 * kKiB,
       .ram_buffer_start = kRamBase + 0x300,
       .ram_buffer_end = kRamBase + 0x1F00,
       .largest_copy = 4096,
       .ecc_lines = true,
       .boot_rom_window = 512,
       .read_sees_flash = false},
      {.id = 0x00050080,
       .name = "LPC1115/303",
       .flash_size = 64 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 16}},
       .ram_size = 8 * kKiB,
       .ram_buffer_start = kRamBase + 0x300,
       .ram_buffer_end = kRamBase + 0x1F00,
       .largest_copy = 4096,
       .ecc_lines = true,
       .boot_rom_window = 512,
       .read_sees_flash = false},
      {.id = 0x0444102B,
       .name = "LPC1114/301",
       .flash_size = 32 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 8}},
       .ram_size = 8 * kKiB,
       .ram_buffer_start = kRamBase + 0x300,
       .ram_buffer_end = kRamBase + 0x1F00,
       .largest_copy = 4096,
       .ecc_lines = true,
       .boot_rom_window = 512,
       .read_sees_flash = false},
      {.id = 0x3D00002B,
       .name = "LPC1343",
       .flash_size = 32 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 8}},
       .ram_size = 8 * kKiB,
       .ram_buffer_start = kRamBase + 0x300,
       .ram_buffer_end = kRamBase + 0x1F00,
       .largest_copy = 4096,
       .ecc_lines = true,
       .boot_rom_window = 512,
       .read_sees_flash = false},
      {.id = 0x08020543,
       .name = "LPC1347",
       .flash_size = 64 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 16}},
       .ram_size = 8 * kKiB,
       .ram_buffer_start = kRamBase + 0x300,
       .ram_buffer_end = kRamBase + 0x1F00,
       .largest_copy = 4096,
       .ecc_lines = true,
       .boot_rom_window = 512,
       .read_sees_flash = false},
      {.id = 0x26013F37,
       .name = "LPC1768",
       .flash_size = 512 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 16}, {.size = 32 * kKiB, .count = 14}},
       .ram_size = 32 * kKiB,
       .ram_buffer_start = kRamBase + 0x200,
       .ram_buffer_end = kRamBase + 0x7F00,
       .largest_copy = 4096,
       .ecc_lines = false,
       .boot_rom_window = 64,
       .read_sees_flash = false},
      {.id = 0x26011922,
       .name = "LPC1764",
       .flash_size = 128 * kKiB,
       .sectors = {{.size = 4 * kKiB, .count = 16}, {.size = 32 * kKiB, .count = 2}},
       .ram_size = 16 * kKiB,
       .ram_buffer_start = kRamBase + 0x200,
       .ram_buffer_end = kRamBase + 0x3F00,
       .largest_copy = 4096,
       .ecc_lines = false,
       .boot_rom_window = 64,
       .read_sees_flash = false},
  };
  return kParts;
}

// The table in use: the built-in rows and those of part files, with the
// names of the latter (they live as long as the table, and go with it) and
// their origins by id (a built-in row has none).
struct Table {
  std::vector<PartInfo> parts = BuiltInParts();
  std::deque<std::string> names;
  std::vector<std::pair<std::uint32_t, PartOrigin>> origins;
};

Table& TheTable() {
  static Table table;
  return table;
}

std::vector<PartInfo>& Parts() {
  return TheTable().parts;
}

std::vector<std::pair<std::uint32_t, PartOrigin>>& Origins() {
  return TheTable().origins;
}

}  // namespace

void RestoreBuiltInParts() {
  TheTable() = Table{};
}

void AddPartRows(const std::vector<PartRow>& rows) {
  for (const PartRow& row : rows) {
    PartInfo part = row.part;
    part.name = TheTable().names.emplace_back(row.name).c_str();
    auto same = std::find_if(Parts().begin(), Parts().end(),
                             [&](const PartInfo& known) { return known.id == part.id; });
    if (same != Parts().end()) {
      *same = part;
    } else {
      Parts().push_back(part);
    }
    auto& origins = Origins();
    std::erase_if(origins, [&](const auto& entry) { return entry.first == part.id; });
    origins.emplace_back(part.id, row.origin);
  }
}

PartOrigin OriginOf(const PartInfo& part) {
  for (const auto& [id, origin] : Origins()) {
    if (id == part.id) return origin;
  }
  return {};
}

std::span<const PartInfo> KnownParts() {
  return Parts();
}

const PartInfo* FindPart(std::uint32_t id) {
  for (const PartInfo& part : Parts()) {
    if (part.id == id) return &part;
  }
  return nullptr;
}

std::uint32_t LargestKnownFlash() {
  std::uint32_t largest = 0;
  for (const PartInfo& part : Parts()) largest = std::max(largest, part.flash_size);
  return largest;
}

std::uint32_t HiddenFromRead(const PartInfo& part, std::uint32_t address, std::uint32_t length) {
  if (part.read_sees_flash || address >= part.boot_rom_window) return 0;
  return std::min(length, part.boot_rom_window - address);
}

std::vector<Sector> SectorsOf(const PartInfo& part) {
  std::vector<Sector> sectors;
  std::uint32_t start = 0;
  for (const SectorRun& run : part.sectors) {
    for (std::uint32_t i = 0; i < run.count; ++i) {
      sectors.push_back({static_cast<unsigned>(sectors.size()), start, run.size});
      start += run.size;
    }
  }
  return sectors;
}

Sector SectorAt(const PartInfo& part, std::uint32_t address) {
  unsigned number = 0;
  std::uint32_t start = 0;
  for (const SectorRun& run : part.sectors) {
    if (address < start + run.size * run.count) {
      const std::uint32_t index = (address - start) / run.size;
      return {number + index, start + index * run.size, run.size};
    }
    start += run.size * run.count;
    number += run.count;
  }
  return {number, start, 0};
}

}  // namespace isp
