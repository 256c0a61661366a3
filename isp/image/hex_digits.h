#pragma once

#include <cstdint>

namespace isp {

// The value of the first 4 (or 2) characters read as hexadecimal; reading
// stops at the first character that is not a hex digit.
std::uint16_t HexToWord(const char* text);
std::uint8_t HexToByte(const char* text);

}  // namespace isp
