#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/image/flash_image.h"
#include "isp/verified/flash_read.h"
#include "isp/verified/programmer_events.h"
#include "isp/wire/boot_client.h"

namespace isp {

// How the flash compares with an image: only the bytes the image places
// count, the rest of the flash is not the file's business.
struct FlashComparison {
  std::uint32_t compared = 0;
  std::uint32_t differing = 0;
  std::optional<std::uint32_t> first_difference;  // the lowest differing address
  // Placed bytes in the boot ROM's window, which R cannot read as flash on
  // the part: left out of the comparison.
  std::uint32_t not_compared = 0;

  bool Equal() const { return differing == 0; }
};

// The stretches of flash that hold placed bytes, in whole blocks of
// `block` bytes, neighbours joined.
std::vector<FlashRange> PlacedRanges(const FlashImage& image, std::uint32_t block);

// Adds the comparison of flash bytes read from address with the image.
void CompareWithImage(const FlashImage& image, std::uint32_t address,
                      const std::vector<std::uint8_t>& flash, FlashComparison& comparison);

// Reads back the flash under the image's data and compares: writes nothing.
// An image with data beyond the part's flash is refused before reading. The
// boot ROM's window is left out where R cannot see the flash there.
// Tells Verified when the flash holds the image.
std::optional<Failure> VerifyFlash(BootClient& client, ProgrammerEvents& events,
                                   const PartInfo& part, const FlashImage& image,
                                   FlashComparison& comparison);

}  // namespace isp
