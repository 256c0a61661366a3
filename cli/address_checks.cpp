#include "cli/address_checks.h"

#include <algorithm>
#include <cctype>

#include "cli/failure_text.h"
#include "cli/shown_name.h"

namespace cli {
namespace {

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

std::string ImageRefusalText(const isp::ImageRefusal& refusal, const std::string& file) {
  switch (refusal.kind) {
    case isp::ImageRefusalKind::kPartialSectorZero:
      return "the image begins at " + HexAddress(refusal.first_address) + " (" +
             std::to_string(refusal.first_address) +
             "), inside sector 0 but not at 0: programming it erases sector 0 and leaves the "
             "part without valid user code (its vector table goes); give "
             "--allow-partial-sector-0 if that is meant";
    case isp::ImageRefusalKind::kLocksThePart:
      break;
  }
  return ShownName(file) + " sets " + isp::ProtectionName(refusal.level) + " (word " +
         HexAddress(refusal.protection_word) +
         " at 0x2FC), which locks the part out of its boot loader for good: give --allow-lock if "
         "that is meant";
}

std::optional<std::string> PartialSectorZeroRefusal(const isp::FlashImage& image) {
  const std::optional<std::uint32_t> start = isp::PartialSectorZeroStart(image);
  if (!start) return std::nullopt;
  return ImageRefusalText({isp::ImageRefusalKind::kPartialSectorZero, *start}, "");
}

}  // namespace cli
