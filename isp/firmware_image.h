#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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
  bool HasData = false;             // whether any data byte was stored
};

// The value of the first 4 (or 2) characters read as hexadecimal; reading
// stops at the first character that is not a hex digit.
std::uint16_t HexToWord(const char* text);
std::uint8_t HexToByte(const char* text);

// State of one HEX file being read into a fresh image.
struct HexParse {
  explicit HexParse(std::vector<std::uint8_t>& target) : image(target) {}
  std::vector<std::uint8_t>& image;
  std::uint16_t highest = 0;
  bool has_data = false;
  std::uint32_t base = 0;  // from the last extended address record
  std::string error;       // why the last refused record was refused
};

inline constexpr int kHexLineTaken = 1;
inline constexpr int kHexLineSkipped = 0;
inline constexpr int kHexLineMalformed = -1;

// One line of the file without its line break. Lines that do not begin with
// ':' are skipped; a record that is malformed (digits, length, checksum, or
// data outside the flash) is refused with parse.error saying why.
int ParseHexLine(std::string_view line, HexParse& parse);

// Word 6 of the vector table becomes the value that makes words 0 to 7 sum
// to zero, the boot loader's test for valid user code.
void FixVectorChecksum(std::vector<std::uint8_t>& image);

}  // namespace isp
