#include "isp/verified/flash_verify.h"

#include <algorithm>

namespace isp {
namespace {

// Blocks as large as a small sector: few R commands, little read in vain.
constexpr std::uint32_t kVerifyBlock = 1024;

}  // namespace

std::vector<FlashRange> PlacedRanges(const FlashImage& image, std::uint32_t block) {
  std::vector<FlashRange> ranges;
  for (std::uint32_t at = 0; at < image.End(); at += block) {
    const std::uint32_t length = std::min(block, image.End() - at);
    if (!image.Placed(at, length)) continue;
    if (!ranges.empty() && ranges.back().address + ranges.back().length == at) {
      ranges.back().length += length;
    } else {
      ranges.push_back({at, length});
    }
  }
  return ranges;
}

void CompareWithImage(const FlashImage& image, std::uint32_t address,
                      const std::vector<std::uint8_t>& flash, FlashComparison& comparison) {
  for (std::size_t i = 0; i < flash.size(); ++i) {
    const auto at = static_cast<std::uint32_t>(address + i);
    if (!image.Placed(at, 1)) continue;
    ++comparison.compared;
    if (flash[i] == image.At(at)) continue;
    ++comparison.differing;
    if (!comparison.first_difference || at < *comparison.first_difference)
      comparison.first_difference = at;
  }
}

std::optional<Failure> VerifyFlash(BootClient& client, ProgrammerEvents& events,
                                   const PartInfo& part, const FlashImage& image,
                                   FlashComparison& comparison) {
  comparison = FlashComparison{};
  if (image.End() > part.flash_size) {
    Failure failure;
    failure.phase = Phase::kVerify;
    failure.reason = FailureReason::kOutsideFlash;
    failure.part = &part;
    failure.part_id = part.id;
    failure.line = image.FirstLineAtOrAbove(part.flash_size).value_or(0);
    return failure;
  }
  std::vector<FlashRange> ranges;
  for (FlashRange range : PlacedRanges(image, kVerifyBlock)) {
    const std::uint32_t hidden = HiddenFromRead(part, range.address, range.length);
    for (std::uint32_t at = range.address; at < range.address + hidden; ++at)
      if (image.Placed(at, 1)) ++comparison.not_compared;
    range.address += hidden;
    range.length -= hidden;
    if (range.length > 0) ranges.push_back(range);
  }
  std::vector<std::uint8_t> flash;
  if (auto failure = ReadFlash(client, events, part, ranges, flash, Phase::kVerify)) return failure;
  std::size_t offset = 0;
  for (const FlashRange& range : ranges) {
    const std::vector<std::uint8_t> part_of(
        flash.begin() + static_cast<long>(offset),
        flash.begin() + static_cast<long>(offset + range.length));
    CompareWithImage(image, range.address, part_of, comparison);
    offset += range.length;
  }
  if (comparison.Equal()) {
    Verification verification;
    verification.mode = VerifyMode::kRead;
    verification.bytes = comparison.compared;
    verification.not_compared = comparison.not_compared;
    verification.window = part.boot_rom_window;
    events.Verified(verification);
  }
  return std::nullopt;
}

}  // namespace isp
