#pragma once

#include <cstdint>
#include <vector>

namespace isp {

// The image of the controller's flash: byte i is flash address i.
struct FirmwareImage {
  static constexpr std::size_t kImageSize = 0x20000;
  // Records can place data only in the 64 KiB a run programs.
  static constexpr std::uint32_t kFlashSize = 0x10000;
  static constexpr int kSectorShift = 12;

  std::vector<std::uint8_t> bytes;  // empty until the first successful load
  std::uint16_t HighestOffset = 0;  // offset of the highest byte that got data
  std::int32_t SectorCount = 0;     // last 4 KiB sector to erase: HighestOffset >> 12
};

// Word 6 of the vector table becomes the value that makes words 0 to 7 sum
// to zero, the boot loader's test for valid user code.
void FixVectorChecksumWord6(std::vector<std::uint8_t>& image);

}  // namespace isp
