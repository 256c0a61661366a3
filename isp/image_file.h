#pragma once

#include <cstdint>
#include <string>

#include "isp/flash_image.h"

namespace isp {

// What a file holds, told by its name: a raw binary ends in ".bin", anything
// else is Intel HEX.
enum class ImageFormat { kIntelHex, kBinary };
ImageFormat FormatOfName(const std::string& path);

// Loads the file as its name says: Intel HEX through the HEX loader, a raw
// binary with its first byte at bin_address. A file whose bytes do not fit
// its name is refused, saying so: a HEX name over bytes that are no HEX text,
// a binary name over HEX text. Also refused: an empty binary, or one that
// reaches limit. The image changes only when the whole file was good.
bool LoadImageFile(const std::string& path, std::uint32_t bin_address, std::uint32_t limit,
                   FlashImage& image, std::string& error);

// The output file's format by the same rule, for writing flash to it.
bool WantsIntelHex(const std::string& path);

}  // namespace isp
