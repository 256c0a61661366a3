#include <cctype>

#include "isp/image/hex_digits.h"

namespace isp {
namespace {

unsigned ReadHex(const char* text, int width) {
  unsigned value = 0;
  for (int i = 0; i < width; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isxdigit(c)) break;
    const unsigned digit =
        std::isdigit(c) ? c - '0' : (static_cast<unsigned>(std::toupper(c)) - 'A' + 10u);
    value = value * 16u + digit;
  }
  return value;
}

}  // namespace

std::uint16_t HexToWord(const char* text) {
  return static_cast<std::uint16_t>(ReadHex(text, 4));
}
std::uint8_t HexToByte(const char* text) {
  return static_cast<std::uint8_t>(ReadHex(text, 2));
}

}  // namespace isp
