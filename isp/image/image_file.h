#pragma once

#include <cstdint>
#include <string>

#include "isp/image/flash_image.h"
#include "isp/image/image_error.h"

namespace isp {
// The name's rule for raw binary: a name that ends in ".bin" (else kIntelHex).
ImageFormat FormatOfName(const std::string& path);

// Reads the file once and loads it as its bytes say: an ELF file (by its
// magic number), text whose first record is an S-record ('S' and a digit) or
// an Intel HEX record (':'), each through its reader; else a raw binary with
// its first byte at bin_address, when the name ends in ".bin" or raw_chosen
// says the caller gave that address. A file that is none of them is refused
// saying what it looks like (kTextNoImage with its first line's start,
// kBinaryNoImage with its first bytes, kOnlyWhiteSpace). Also refused: a
// file that does not open or read, an empty file, a raw binary that reaches
// limit (kBeyondFlash with its address and size), and whatever the readers
// refuse. The image changes only when the whole file was good; format, when
// given, is set to what the file was taken for, whether or not it loaded.
bool LoadImageFile(const std::string& path, std::uint32_t bin_address, std::uint32_t limit,
                   FlashImage& image, ImageError& error, ImageFormat* format = nullptr,
                   bool raw_chosen = false);

// The output file's format by the same rule, for writing flash to it.
bool WantsIntelHex(const std::string& path);

}  // namespace isp
