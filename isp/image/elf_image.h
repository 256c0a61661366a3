#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "isp/image/flash_image.h"
#include "isp/image/image_error.h"

namespace isp {

// Whether the bytes begin with the ELF magic number.
bool IsElf(const std::vector<std::uint8_t>& bytes);

// Places the bytes of a 32-bit little-endian ARM ELF file in a flash image:
// every PT_LOAD segment that has file bytes, at its physical address (the
// linker stores initialised data in flash after the code, to be copied to
// RAM at start-up). Segments without file bytes (zero-size, or RAM-only
// like .bss) are skipped. Refused, with error saying why: an ELF of another
// class, byte order or machine (kElfNotArm32, detail saying what it is); a
// header or segment that lies past the end of the file; a segment that
// reaches limit (kBeyondFlash, with the segment's index, address and size);
// a file without a segment to place. The image changes only when the whole
// file was good.
bool LoadElfImage(const std::vector<std::uint8_t>& bytes, std::uint32_t limit, FlashImage& image,
                  ImageError& error);

}  // namespace isp
