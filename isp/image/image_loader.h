#pragma once

#include <cstdint>
#include <string>

#include "isp/image/flash_image.h"

namespace isp {

// Reads an Intel HEX file into a flash image with 32-bit addresses (data,
// extended segment and extended linear address records). Refused, with
// error saying why in the HEX reader's words ("Unable to open file.",
// "Invalid HEX file: line N: ..."): a file that is no readable regular file,
// a malformed record, a file without data records or its end-of-file
// record, and data at or above limit. The image changes only when the
// whole file was good; its checksum word is not set.
bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    std::string& error);

// The same for a Motorola S-record file (S1, S2 and S3 data records), in the
// S-record reader's words ("Invalid S-record file: line N: ...").
bool LoadSrecFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                        std::string& error);

}  // namespace isp
