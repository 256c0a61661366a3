#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "isp/image/flash_image.h"
#include "isp/verified/image_rules.h"

namespace cli {

// What --address TEXT (read as value) may hide: a decimal address that is
// not a multiple of 256, which often is a hex number typed without "0x".
// Empty when nothing is to be said.
std::string AddressWarning(const std::string& text, std::uint32_t value);

// Why the image rules refuse an image, naming the file where it helps: an
// image that begins inside sector 0 (where, in hex and decimal), or one that
// locks the part out of its boot loader.
std::string ImageRefusalText(const isp::ImageRefusal& refusal, const std::string& file);

// The refusal of an image without a vector table that still places bytes in
// sector 0 (isp::PartialSectorZeroStart), in words; nothing for an image
// that keeps clear of sector 0 or holds a vector table.
std::optional<std::string> PartialSectorZeroRefusal(const isp::FlashImage& image);

}  // namespace cli
