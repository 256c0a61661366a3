#include "uu_codec.hpp"

#include <stdexcept>

namespace isp_sim {
namespace {

char encode_sextet(unsigned value) {
  return value == 0 ? '`' : static_cast<char>(' ' + (value & 0x3F));
}

std::optional<unsigned> decode_char(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 0x20 || code > 0x60) return std::nullopt;
  return (code - 0x20u) & 0x3Fu;
}

std::size_t encoded_chars(std::size_t byte_count) {
  return (byte_count + 2) / 3 * 4;
}

}  // namespace

std::string uu_encode_line(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > kUuLineBytes) {
    throw std::invalid_argument("uu line takes 1..45 bytes");
  }
  std::string line(1, static_cast<char>(' ' + bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned b0 = bytes[i];
    const unsigned b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0u;
    const unsigned b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0u;
    line += encode_sextet(b0 >> 2);
    line += encode_sextet((b0 << 4 | b1 >> 4) & 0x3F);
    line += encode_sextet((b1 << 2 | b2 >> 6) & 0x3F);
    line += encode_sextet(b2 & 0x3F);
  }
  return line;
}

std::optional<std::size_t> uu_declared_length(std::string_view line) {
  if (line.empty()) return std::nullopt;
  const auto length = decode_char(line.front());
  if (!length) return std::nullopt;
  return *length;
}

std::optional<std::vector<std::uint8_t>> uu_decode_line(std::string_view line) {
  const auto length = uu_declared_length(line);
  if (!length || *length > kUuLineBytes) return std::nullopt;
  const std::string_view body = line.substr(1);
  if (body.size() != encoded_chars(*length)) return std::nullopt;

  std::vector<std::uint8_t> bytes;
  bytes.reserve(*length + 2);
  for (std::size_t i = 0; i < body.size(); i += 4) {
    unsigned group = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      const auto value = decode_char(body[i + j]);
      if (!value) return std::nullopt;
      group = group << 6 | *value;
    }
    bytes.push_back(static_cast<std::uint8_t>(group >> 16));
    bytes.push_back(static_cast<std::uint8_t>(group >> 8));
    bytes.push_back(static_cast<std::uint8_t>(group));
  }
  bytes.resize(*length);
  return bytes;
}

}  // namespace isp_sim
