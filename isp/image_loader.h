#pragma once

#include <cstdint>
#include <string>

#include "isp/flash_image.h"

namespace isp {

// Reads an Intel HEX file into a flash image with 32-bit addresses (data,
// extended segment and extended linear address records). Refused, with
// error saying why in the HEX loader's words: a file that does not open
// as a regular file, a malformed record, a file without data records, and
// data at or above limit (naming the line). The checksum word is not set.
bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    std::string& error);

}  // namespace isp
