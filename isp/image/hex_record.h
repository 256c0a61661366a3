#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace isp {

// The record types of an Intel HEX file; any other type is refused.
enum class HexRecordType : std::uint8_t {
  kData = 0x00,
  kEndOfFile = 0x01,
  kExtendedSegmentAddress = 0x02,
  kStartSegmentAddress = 0x03,
  kExtendedLinearAddress = 0x04,
  kStartLinearAddress = 0x05,
};

// One record as the file gives it.
struct HexRecord {
  HexRecordType type = HexRecordType::kData;
  std::uint16_t offset = 0;        // the record's own 16-bit offset field
  std::vector<std::uint8_t> data;  // its data bytes, 0 to 255 of them
};

enum class HexLine {
  kRecord,     // record holds the decoded record
  kNotRecord,  // the line does not begin with ':' and is skipped
  kMalformed,  // reason says what is wrong with the record
};

// Decodes one line of a HEX file, without its line break. A record is
// checked whole (hex digits, length, checksum, type, the two data bytes of an
// extended address record) before anything of it is used; white space after
// the checksum is allowed.
HexLine DecodeHexLine(std::string_view line, HexRecord& record, std::string& reason);

}  // namespace isp
