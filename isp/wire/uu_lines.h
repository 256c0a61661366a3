#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace isp {

// The boot loader's data lines: at most 45 bytes each, a checksum after
// every 20 lines.
inline constexpr std::size_t kUuLineBytes = 45;
inline constexpr std::size_t kUuLinesPerChecksum = 20;

// One data line without its line end: the length character (count + 32),
// then four characters per three bytes. count is 1 to 45.
std::string UuEncodeLine(const std::uint8_t* bytes, std::size_t count);

// The bytes of one data line; nothing when the line is malformed (a length
// that does not match its characters, a character outside the code).
std::optional<std::vector<std::uint8_t>> UuDecodeLine(std::string_view line);

}  // namespace isp
