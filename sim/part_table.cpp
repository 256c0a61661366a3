#include "part_table.hpp"

#include <algorithm>
#include <cctype>

namespace isp_sim {
namespace {

constexpr std::uint32_t kKiB = 1024;

// From the ISP chapters of the NXP user manuals (LPC11xx, LPC122x, LPC13xx, LPC1347, LPC17xx).
constexpr std::array<PartInfo, 7> kParts = {{
    {"LPC1227",
     0x3670002B,
     128 * kKiB,
     {{{32, 4 * kKiB}, {0, 0}}},
     8 * kKiB,
     0x10000300,
     0x10001F00,
     true,
     512},
    {"LPC1115/303",
     0x00050080,
     64 * kKiB,
     {{{16, 4 * kKiB}, {0, 0}}},
     8 * kKiB,
     0x10000300,
     0x10001F00,
     true,
     512},
    {"LPC1114/301",
     0x0444102B,
     32 * kKiB,
     {{{8, 4 * kKiB}, {0, 0}}},
     8 * kKiB,
     0x10000300,
     0x10001F00,
     true,
     512},
    {"LPC1343",
     0x3D00002B,
     32 * kKiB,
     {{{8, 4 * kKiB}, {0, 0}}},
     8 * kKiB,
     0x10000300,
     0x10001F00,
     true,
     512},
    {"LPC1347",
     0x08020543,
     64 * kKiB,
     {{{16, 4 * kKiB}, {0, 0}}},
     8 * kKiB,
     0x10000300,
     0x10001F00,
     true,
     512},
    {"LPC1768",
     0x26013F37,
     512 * kKiB,
     {{{16, 4 * kKiB}, {14, 32 * kKiB}}},
     32 * kKiB,
     0x10000200,
     0x10007F00,
     false,
     64},
    {"LPC1764",
     0x26011922,
     128 * kKiB,
     {{{16, 4 * kKiB}, {2, 32 * kKiB}}},
     16 * kKiB,
     0x10000200,
     0x10003F00,
     false,
     64},
}};

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
  return kParts.front();
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
