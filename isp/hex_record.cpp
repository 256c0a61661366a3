// One Intel HEX record, checked whole before anything is stored.
#include <algorithm>
#include <cctype>
#include <string>

#include "isp/firmware_image.h"

namespace isp {
namespace {

constexpr std::size_t kHeaderLength = 9;  // ':' count(2) offset(4) type(2)
constexpr std::size_t kShortestRecord = kHeaderLength + 2;

enum RecordType : std::uint8_t {
  kData = 0x00,
  kExtendedSegmentAddress = 0x02,
  kExtendedLinearAddress = 0x04,
};

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool OnlySpace(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

int Refuse(HexParse& parse, std::string reason) {
  parse.error = std::move(reason);
  return kHexLineMalformed;
}

}  // namespace

int ParseHexLine(std::string_view line, HexParse& parse) {
  if (line.empty() || line[0] != ':') return kHexLineSkipped;
  if (line.size() < kShortestRecord) {
    return Refuse(parse, AllHex(line.substr(1)) ? "record too short" : "non-hex digit");
  }
  if (!AllHex(line.substr(1, kHeaderLength - 1))) return Refuse(parse, "non-hex digit");

  const std::uint8_t count = HexToByte(line.data() + 1);
  const std::uint16_t offset = HexToWord(line.data() + 3);
  const std::uint8_t type = HexToByte(line.data() + 7);
  const std::size_t record_end = kHeaderLength + 2u * count + 2u;  // through the checksum

  const std::string_view digits =
      line.substr(kHeaderLength, std::min(line.size(), record_end) - kHeaderLength);
  if (!AllHex(digits)) return Refuse(parse, "non-hex digit");
  if (line.size() < record_end) return Refuse(parse, "fewer digits than the byte count needs");
  if (!OnlySpace(line.substr(record_end))) return Refuse(parse, "characters after the checksum");

  unsigned sum = 0;
  for (std::size_t pos = 1; pos < record_end; pos += 2) sum += HexToByte(line.data() + pos);
  if ((sum & 0xFFu) != 0) return Refuse(parse, "checksum mismatch");

  const char* data = line.data() + kHeaderLength;
  switch (type) {
    case kData:
      for (unsigned i = 0; i < count; ++i) {
        // A record never wraps: what runs past the end lies beyond the flash.
        const std::uint32_t address = parse.base + offset + i;
        if (address >= FirmwareImage::kFlashSize) return Refuse(parse, "data beyond 64 KiB flash");
        parse.image[address] = HexToByte(data + 2 * i);
        parse.highest = std::max(parse.highest, static_cast<std::uint16_t>(address));
        parse.has_data = true;
      }
      return kHexLineTaken;
    case kExtendedSegmentAddress:
    case kExtendedLinearAddress: {
      if (count != 2) return Refuse(parse, "address record without 2 data bytes");
      const std::uint32_t value = HexToWord(data);
      parse.base = type == kExtendedSegmentAddress ? value << 4 : value << 16;
      return kHexLineTaken;
    }
    default:
      // End-of-file and start-address records change nothing; reading goes
      // on to the end of the file whatever they say.
      return kHexLineTaken;
  }
}

}  // namespace isp
