#include "isp/wire/uu_lines.h"

#include <algorithm>

#include "isp/wire/uuencode.h"

namespace isp {
namespace {

// Both ' ' and '`' stand for 0.
std::optional<unsigned> CharValue(char c) {
  if (c < ' ' || c > '`') return std::nullopt;
  return static_cast<unsigned>(c - ' ') & 63u;
}

}  // namespace

std::string UuEncodeLine(const std::uint8_t* bytes, std::size_t count) {
  std::string line(1, static_cast<char>(count + 32));
  for (std::size_t at = 0; at < count; at += 3) {
    char group[5];
    UuEncodeGroup(bytes + at, static_cast<int>(std::min<std::size_t>(3, count - at)), group);
    line.append(group, 4);
  }
  return line;
}

std::optional<std::vector<std::uint8_t>> UuDecodeLine(std::string_view line) {
  if (line.empty()) return std::nullopt;
  const auto count = CharValue(line[0]);
  if (!count || *count > kUuLineBytes) return std::nullopt;
  const std::size_t groups = (*count + 2) / 3;
  if (line.size() != 1 + 4 * groups) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(groups * 3);
  for (std::size_t g = 0; g < groups; ++g) {
    unsigned value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const auto digit = CharValue(line[1 + 4 * g + i]);
      if (!digit) return std::nullopt;
      value = value << 6 | *digit;
    }
    bytes.push_back(static_cast<std::uint8_t>(value >> 16));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  bytes.resize(*count);
  return bytes;
}

}  // namespace isp
