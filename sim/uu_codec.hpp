#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace isp_sim {

// Most bytes one uuencoded line carries on the ISP link.
inline constexpr std::size_t kUuLineBytes = 45;

// One line: a length character (count + 32), then 4 characters per 3 bytes. A zero character is
// sent as '`'. Takes 1..kUuLineBytes bytes.
std::string uu_encode_line(std::span<const std::uint8_t> bytes);

// Byte count announced by the line's length character, if it is a uu character at all.
std::optional<std::size_t> uu_declared_length(std::string_view line);

// Decodes one line. Both ' ' and '`' stand for zero. Fails on characters outside ' '..'`', on a
// length above kUuLineBytes, and when the character count does not match the length.
std::optional<std::vector<std::uint8_t>> uu_decode_line(std::string_view line);

}  // namespace isp_sim
