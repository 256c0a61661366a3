#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/image/flash_image.h"
#include "isp/verified/programmer_events.h"

namespace isp {

// The vector table's 8 words: an image that places none of them has none.
inline constexpr std::uint32_t kVectorTableBytes = 32;

// The largest sector 0 of any known part, in bytes. The part is not known
// before the port opens: an image is judged against it, so that none of
// them loses its vector table unasked.
std::uint32_t LargestSectorZeroSize();

// Whether the image places any byte in sector 0 (of any known part).
bool TouchesSectorZero(const FlashImage& image);

// Where an image begins that places bytes in sector 0 but holds no vector
// table: programming it erases sector 0 and leaves the part without valid
// user code. Nothing for an image that keeps clear of sector 0 or holds a
// vector table.
std::optional<std::uint32_t> PartialSectorZeroStart(const FlashImage& image);

// What the command line was told to allow.
struct ImageRuleChoices {
  bool erase_all = false;               // every sector is erased, sector 0 too
  bool allow_partial_sector_0 = false;  // an image that begins inside sector 0
  bool allow_lock = false;              // an image that sets CRP3 or NO_ISP
};

enum class ImageRefusalKind {
  kPartialSectorZero,  // first_address: where the image begins, inside sector 0
  kLocksThePart,       // level and protection_word: CRP3 or NO_ISP at 0x2FC
};

struct ImageRefusal {
  ImageRefusalKind kind = ImageRefusalKind::kPartialSectorZero;
  std::uint32_t first_address = 0;
  ProtectionLevel level = ProtectionLevel::kNone;
  std::uint32_t protection_word = 0;
};

// What the rules find in an image before anything is sent: the warnings,
// in the order they are to be given, and the refusal that follows them, if
// any (a refused image is not programmed).
struct ImageFindings {
  std::vector<Warning> warnings;
  std::optional<ImageRefusal> refusal;
};

// Judges an image whose checksum word is already set (FlashImage::
// SetChecksumWord7): an image that begins inside sector 0 without a vector
// table is refused unless allowed; one without a vector table is warned of
// (sector 0 left as it is, or erased when the image reaches it or every
// sector is erased); one that sets CRP3 or NO_ISP is refused unless
// allowed, and any protection level it sets is warned of.
ImageFindings JudgeImage(const FlashImage& image, const ImageRuleChoices& choices);

}  // namespace isp
