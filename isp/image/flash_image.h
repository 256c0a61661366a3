#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace isp {

inline constexpr std::uint8_t kErased = 0xFF;

// The image of a part's flash as a HEX file gives it: byte i is flash
// address i, the erased value where no record placed data.
class FlashImage {
 public:
  // Places data from a record that begins on the given line of its file.
  void Place(std::uint32_t address, const std::uint8_t* bytes, std::size_t count, int line);

  // One past the highest address that holds data (0 when none does).
  std::uint32_t End() const { return static_cast<std::uint32_t>(bytes_.size()); }
  bool HasData() const { return !bytes_.empty(); }
  std::uint8_t At(std::uint32_t address) const {
    return address < bytes_.size() ? bytes_[address] : kErased;
  }
  const std::uint8_t* Data() const { return bytes_.data(); }
  // Whether a record placed data anywhere in [address, address + count).
  bool Placed(std::uint32_t address, std::uint32_t count) const;
  // The file line of the first record that places data at or above limit.
  std::optional<int> FirstLineAtOrAbove(std::uint32_t limit) const;

  // Word 7 of the vector table becomes the value that makes words 0 to 7
  // sum to zero, the boot loader's test for valid user code; an image that
  // already carries it is left unchanged, word 6 is never touched. False
  // (and nothing changes) when the image holds no vector table.
  bool SetChecksumWord7();

  std::uint32_t Word(std::uint32_t address) const;

 private:
  struct Record {
    std::uint32_t end;  // one past its last byte
    int line;
  };
  void Grow(std::uint32_t end);

  std::vector<std::uint8_t> bytes_;
  std::vector<bool> placed_;
  std::vector<Record> records_;
};

// Code read protection as the word at flash offset 0x2FC sets it at reset.
enum class ProtectionLevel { kNone, kCrp1, kCrp2, kCrp3, kNoIsp };

inline constexpr std::uint32_t kProtectionWordAddress = 0x2FC;

// The level the image would set; a word that no record placed sets none.
ProtectionLevel ProtectionOf(const FlashImage& image);
// The level a word at 0x2FC sets.
ProtectionLevel ProtectionOfWord(std::uint32_t word);
const char* ProtectionName(ProtectionLevel level);
// CRP3 and NO_ISP lock the part out of its boot loader for good.
inline bool LocksThePart(ProtectionLevel level) {
  return level == ProtectionLevel::kCrp3 || level == ProtectionLevel::kNoIsp;
}

}  // namespace isp
