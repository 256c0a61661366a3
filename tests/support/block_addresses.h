#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/flash_image.h"

namespace testing_support {

// The flash addresses of the blocks that a run of these bytes writes, in
// order: 0, 512, ... up to the block that holds the highest byte.
std::vector<std::uint32_t> BlockAddresses(const ByteMap& bytes);

// The flash addresses named by the copy commands ("C 512 268436224 512")
// in a run's traffic log, in order. Only the lines the host sent count (they
// end in CR CR); the boot loader's echoes do not.
std::vector<std::uint32_t> CopyCommandAddresses(const std::string& traffic);

}  // namespace testing_support
