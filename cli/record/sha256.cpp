#include <cstdio>

#include "cli/record/sha256.h"

namespace cli {

std::string DigestHex(const std::uint8_t* digest, std::size_t count) {
  std::string hex;
  for (std::size_t i = 0; i < count; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(digest[i]));
    hex += pair;
  }
  return hex;
}

}  // namespace cli
