#include "cli/address_checks.h"

#include <algorithm>
#include <cctype>

#include "cli/failure_text.h"
#include "isp/part_table.h"

namespace cli {
namespace {

// The vector table's 8 words: an image that places none of them has none.
constexpr std::uint32_t kVectorTableBytes = 32;

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

}  // namespace

std::string AddressWarning(const std::string& text, std::uint32_t value) {
  // Flash is written in pages of 256 bytes; a hex address is taken as meant.
  if (!AllDigits(text) || value % 256 == 0) return "";
  return "--address " + text + " is read as decimal " + std::to_string(value) + " (" +
         HexAddress(value) + "), not a multiple of 256: for the hex address write --address 0x" +
         text;
}

// The part is not known before the port opens: an image is judged against
// the largest sector 0 of any known part, so that none of them loses its
// vector table to it unasked.
std::uint32_t LargestSectorZeroSize() {
  std::uint32_t largest = 0;
  for (const isp::PartInfo& part : isp::KnownParts()) {
    largest = std::max(largest, part.sectors.front().size);
  }
  return largest;
}

bool TouchesSectorZero(const isp::FlashImage& image) {
  return image.Placed(0, LargestSectorZeroSize());
}

std::optional<std::string> PartialSectorZeroRefusal(const isp::FlashImage& image) {
  if (image.Placed(0, kVectorTableBytes) || !TouchesSectorZero(image)) return std::nullopt;
  std::uint32_t first = 0;
  while (!image.Placed(first, 1)) ++first;
  return "the image begins at " + HexAddress(first) + " (" + std::to_string(first) +
         "), inside sector 0 but not at 0: programming it erases sector 0 and leaves the part "
         "without valid user code (its vector table goes); give --allow-partial-sector-0 if "
         "that is meant";
}

}  // namespace cli
