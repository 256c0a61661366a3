#include "part_table.hpp"

#include <algorithm>
#include <cctype>

namespace isp_sim {
namespace {

constexpr std::uint32_t kKiB = 1024;

// From the ISP chapters of the NXP user manuals (LPC11xx, LPC122x, LPC13xx, LPC1347, LPC17xx).
constexpr PartInfo kParts[] = {
    {.id = 0x3670002B,
     .name = "LPC1227",
     .flash_size = 128 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 32}},
     .ram_size = 8 * kKiB,
     .ram_buffer_start = kRamBase + 0x300,
     .ram_buffer_end = kRamBase + 0x1F00,
     .ecc_lines = true,
     .boot_rom_window = 512},
    {.id = 0x00050080,
     .name = "LPC1115/303",
     .flash_size = 64 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 16}},
     .ram_size = 8 * kKiB,
     .ram_buffer_start = kRamBase + 0x300,
     .ram_buffer_end = kRamBase + 0x1F00,
     .ecc_lines = true,
     .boot_rom_window = 512},
    {.id = 0x0444102B,
     .name = "LPC1114/301",
     .flash_size = 32 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 8}},
     .ram_size = 8 * kKiB,
     .ram_buffer_start = kRamBase + 0x300,
     .ram_buffer_end = kRamBase + 0x1F00,
     .ecc_lines = true,
     .boot_rom_window = 512},
    {.id = 0x3D00002B,
     .name = "LPC1343",
     .flash_size = 32 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 8}},
     .ram_size = 8 * kKiB,
     .ram_buffer_start = kRamBase + 0x300,
     .ram_buffer_end = kRamBase + 0x1F00,
     .ecc_lines = true,
     .boot_rom_window = 512},
    {.id = 0x08020543,
     .name = "LPC1347",
     .flash_size = 64 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 16}},
     .ram_size = 8 * kKiB,
     .ram_buffer_start = kRamBase + 0x300,
     .ram_buffer_end = kRamBase + 0x1F00,
     .ecc_lines = true,
     .boot_rom_window = 512},
    {.id = 0x26013F37,
     .name = "LPC1768",
     .flash_size = 512 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 16}, {.size = 32 * kKiB, .count = 14}},
     .ram_size = 32 * kKiB,
     .ram_buffer_start = kRamBase + 0x200,
     .ram_buffer_end = kRamBase + 0x7F00,
     .ecc_lines = false,
     .boot_rom_window = 64},
    {.id = 0x26011922,
     .name = "LPC1764",
     .flash_size = 128 * kKiB,
     .sectors = {{.size = 4 * kKiB, .count = 16}, {.size = 32 * kKiB, .count = 2}},
     .ram_size = 16 * kKiB,
     .ram_buffer_start = kRamBase + 0x200,
     .ram_buffer_end = kRamBase + 0x3F00,
     .ecc_lines = false,
     .boot_rom_window = 64},
};

bool same_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const PartInfo> part_table() {
  return kParts;
}

const PartInfo& default_part() {
  return kParts[0];
}

std::optional<PartInfo> find_part_by_id(std::uint32_t id) {
  for (const PartInfo& part : kParts) {
    if (part.id == id) return part;
  }
  return std::nullopt;
}

std::optional<PartInfo> find_part_by_name(std::string_view name) {
  for (const PartInfo& part : kParts) {
    if (same_name(part.name, name)) return part;
  }
  return std::nullopt;
}

std::vector<PartInfo> find_parts_by_prefix(std::string_view prefix) {
  std::vector<PartInfo> found;
  for (const PartInfo& part : kParts) {
    if (part.name.size() >= prefix.size() && same_name(part.name.substr(0, prefix.size()), prefix))
      found.push_back(part);
  }
  return found;
}

}  // namespace isp_sim
