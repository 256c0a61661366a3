#pragma once

#include <string_view>

namespace comm {

// Orders names as people count: runs of digits compare by their value, so
// "ttyS2" comes before "ttyS10"; everything else compares byte by byte.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace comm
