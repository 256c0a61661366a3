#pragma once

#include <cstdint>

namespace app {

// RxLine holds at most 4095 characters and its terminating zero.
inline constexpr int kRxLineSize = 4096;

// Appends the display form of one received byte at line[length] and
// advances length: 32 to 126 as the character itself, any other byte as
// "[", two upper-case hexadecimal digits, "]" (0x0D shows as "[0D]").
// Returns false, writing nothing, when the form no longer fits before the
// terminating zero's place. Does not write the terminating zero.
bool AppendRxDisplayForm(char (&line)[kRxLineSize], std::int32_t& length, std::uint8_t byte);

}  // namespace app
