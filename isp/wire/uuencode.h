#pragma once

#include <cstdint>

namespace isp {

// Encodes count (1 to 3) bytes as 4 printable characters and a terminating
// zero into out (room for 5). Missing bytes count as 0; a character value of
// 0 is written as '`' rather than a space.
void UuEncodeGroup(const std::uint8_t* source, int count, char* out);

}  // namespace isp
