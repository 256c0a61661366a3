#include "isp/verified/image_rules.h"

#include <algorithm>

#include "isp/part_table.h"

namespace isp {

std::uint32_t LargestSectorZeroSize() {
  std::uint32_t largest = 0;
  for (const PartInfo& part : KnownParts()) largest = std::max(largest, part.sectors.front().size);
  return largest;
}

bool TouchesSectorZero(const FlashImage& image) {
  return image.Placed(0, LargestSectorZeroSize());
}

std::optional<std::uint32_t> PartialSectorZeroStart(const FlashImage& image) {
  if (image.Placed(0, kVectorTableBytes) || !TouchesSectorZero(image)) return std::nullopt;
  std::uint32_t first = 0;
  while (!image.Placed(first, 1)) ++first;
  return first;
}

ImageFindings JudgeImage(const FlashImage& image, const ImageRuleChoices& choices) {
  ImageFindings findings;
  if (const std::optional<std::uint32_t> start = PartialSectorZeroStart(image);
      start && !choices.allow_partial_sector_0) {
    findings.refusal = ImageRefusal{ImageRefusalKind::kPartialSectorZero, *start};
    return findings;
  }
  // "Left as it is" only where it is true: an image in sector 0 or an erase
  // of every sector erases it.
  if (!image.Placed(0, kVectorTableBytes)) {
    findings.warnings.push_back({TouchesSectorZero(image) || choices.erase_all
                                     ? WarningKind::kSectorZeroErased
                                     : WarningKind::kNoVectorTable});
  }
  const ProtectionLevel level = ProtectionOf(image);
  if (LocksThePart(level) && !choices.allow_lock) {
    findings.refusal =
        ImageRefusal{ImageRefusalKind::kLocksThePart, 0, level, image.Word(kProtectionWordAddress)};
    return findings;
  }
  if (level != ProtectionLevel::kNone)
    findings.warnings.push_back({WarningKind::kProtection, level});
  return findings;
}

}  // namespace isp
