#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "isp/image/flash_image.h"
#include "isp/image/image_error.h"

namespace isp {

// Places the data records of Intel HEX text (data, extended segment and
// extended linear address records) at their 32-bit addresses in a flash
// image. Refused, with error saying why: a malformed record (kBadRecord and
// its line), no data records, no end-of-file record, data after it, and
// data at or above limit (kBeyondFlash and its line). The image changes
// only when the whole text was good; its checksum word is not set.
bool LoadHexImage(std::span<const std::uint8_t> bytes, std::uint32_t limit, FlashImage& image,
                  ImageError& error);

// The same for the text of a Motorola S-record file (S1, S2 and S3 data
// records).
bool LoadSrecImage(std::span<const std::uint8_t> bytes, std::uint32_t limit, FlashImage& image,
                   ImageError& error);

// Reads a HEX or S-record file once and loads it as above; a file that is
// no readable regular file is refused as ReadFileBytes says.
bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    ImageError& error);
bool LoadSrecFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                        ImageError& error);

}  // namespace isp
