// One Intel HEX record, checked whole before anything of it is used.
#include "isp/image/hex_record.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "isp/image/hex_digits.h"

namespace isp {
namespace {

constexpr std::size_t kHeaderLength = 9;  // ':' count(2) offset(4) type(2)
constexpr std::size_t kShortestRecord = kHeaderLength + 2;
constexpr std::uint8_t kLastKnownType =
    static_cast<std::uint8_t>(HexRecordType::kStartLinearAddress);

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool OnlySpace(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

HexLine Refuse(std::string& reason, std::string text) {
  reason = std::move(text);
  return HexLine::kMalformed;
}

}  // namespace

HexLine DecodeHexLine(std::string_view line, HexRecord& record, std::string& reason) {
  if (line.empty() || line[0] != ':') return HexLine::kNotRecord;
  if (line.size() < kShortestRecord) {
    return Refuse(reason, AllHex(line.substr(1)) ? "record too short" : "non-hex digit");
  }
  if (!AllHex(line.substr(1, kHeaderLength - 1))) return Refuse(reason, "non-hex digit");

  const std::uint8_t count = HexToByte(line.data() + 1);
  const std::uint16_t offset = HexToWord(line.data() + 3);
  const std::uint8_t type = HexToByte(line.data() + 7);
  const std::size_t record_end = kHeaderLength + 2u * count + 2u;  // through the checksum

  const std::string_view digits =
      line.substr(kHeaderLength, std::min(line.size(), record_end) - kHeaderLength);
  if (!AllHex(digits)) return Refuse(reason, "non-hex digit");
  if (line.size() < record_end) return Refuse(reason, "fewer digits than the byte count needs");
  if (!OnlySpace(line.substr(record_end))) return Refuse(reason, "characters after the checksum");

  unsigned sum = 0;
  for (std::size_t pos = 1; pos < record_end; pos += 2) sum += HexToByte(line.data() + pos);
  if ((sum & 0xFFu) != 0) return Refuse(reason, "checksum mismatch");

  if (type > kLastKnownType) {
    char text[32];
    std::snprintf(text, sizeof text, "unknown record type %02X", type);
    return Refuse(reason, text);
  }
  const auto kind = static_cast<HexRecordType>(type);
  if ((kind == HexRecordType::kExtendedSegmentAddress ||
       kind == HexRecordType::kExtendedLinearAddress) &&
      count != 2) {
    return Refuse(reason, "address record without 2 data bytes");
  }

  record.type = kind;
  record.offset = offset;
  record.data.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    record.data[i] = HexToByte(line.data() + kHeaderLength + 2 * i);
  return HexLine::kRecord;
}

}  // namespace isp
