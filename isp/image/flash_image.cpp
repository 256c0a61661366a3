#include "isp/image/flash_image.h"

#include <algorithm>

namespace isp {
namespace {

constexpr std::uint32_t kVectorTableBytes = 32;
constexpr std::uint32_t kChecksumWord = 7;

}  // namespace

void FlashImage::Grow(std::uint32_t end) {
  if (end <= bytes_.size()) return;
  bytes_.resize(end, kErased);
  placed_.resize(end, false);
}

void FlashImage::Place(std::uint32_t address, const std::uint8_t* bytes, std::size_t count,
                       int line) {
  if (count == 0) return;
  const auto end = static_cast<std::uint32_t>(address + count);
  Grow(end);
  std::copy(bytes, bytes + count, bytes_.begin() + address);
  std::fill(placed_.begin() + address, placed_.begin() + end, true);
  records_.push_back({end, line});
}

bool FlashImage::Placed(std::uint32_t address, std::uint32_t count) const {
  const std::uint32_t end = std::min<std::uint32_t>(address + count, End());
  for (std::uint32_t at = address; at < end; ++at) {
    if (placed_[at]) return true;
  }
  return false;
}

std::optional<int> FlashImage::FirstLineAtOrAbove(std::uint32_t limit) const {
  std::optional<int> first;
  for (const Record& record : records_) {
    if (record.end > limit && (!first || record.line < *first)) first = record.line;
  }
  return first;
}

std::uint32_t FlashImage::Word(std::uint32_t address) const {
  std::uint32_t word = 0;
  for (std::uint32_t i = 0; i < 4; ++i)
    word |= static_cast<std::uint32_t>(At(address + i)) << (8 * i);
  return word;
}

bool FlashImage::SetChecksumWord7() {
  if (!Placed(0, kVectorTableBytes)) return false;
  std::uint32_t sum = 0;
  for (std::uint32_t word = 0; word < kChecksumWord; ++word) sum += Word(word * 4);
  const std::uint32_t checksum = 0u - sum;
  Grow(kVectorTableBytes);
  for (std::uint32_t i = 0; i < 4; ++i) {
    bytes_[kChecksumWord * 4 + i] = static_cast<std::uint8_t>(checksum >> (8 * i));
    placed_[kChecksumWord * 4 + i] = true;
  }
  return true;
}

ProtectionLevel ProtectionOf(const FlashImage& image) {
  if (!image.Placed(kProtectionWordAddress, 4)) return ProtectionLevel::kNone;
  return ProtectionOfWord(image.Word(kProtectionWordAddress));
}

ProtectionLevel ProtectionOfWord(std::uint32_t word) {
  switch (word) {
    case 0x12345678:
      return ProtectionLevel::kCrp1;
    case 0x87654321:
      return ProtectionLevel::kCrp2;
    case 0x43218765:
      return ProtectionLevel::kCrp3;
    case 0x4E697370:
      return ProtectionLevel::kNoIsp;
    default:
      return ProtectionLevel::kNone;
  }
}

const char* ProtectionName(ProtectionLevel level) {
  switch (level) {
    case ProtectionLevel::kNone:
      return "none";
    case ProtectionLevel::kCrp1:
      return "CRP1";
    case ProtectionLevel::kCrp2:
      return "CRP2";
    case ProtectionLevel::kCrp3:
      return "CRP3";
    case ProtectionLevel::kNoIsp:
      return "NO_ISP";
  }
  return "none";
}

}  // namespace isp
