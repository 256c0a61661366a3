#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "isp/image/flash_image.h"

namespace cli {

// What --address TEXT (read as value) may hide: a decimal address that is
// not a multiple of 256, which often is a hex number typed without "0x".
// Empty when nothing is to be said.
std::string AddressWarning(const std::string& text, std::uint32_t value);

// The largest sector 0 of any known part, in bytes.
std::uint32_t LargestSectorZeroSize();

// Whether the image places any byte in sector 0.
bool TouchesSectorZero(const isp::FlashImage& image);

// An image without a vector table that still places bytes in sector 0:
// programming it erases sector 0 and leaves the part without valid user
// code. The refusal's text, naming where the image begins (in hex and
// decimal); nothing for an image that keeps clear of sector 0 or holds a
// vector table.
std::optional<std::string> PartialSectorZeroRefusal(const isp::FlashImage& image);

}  // namespace cli
