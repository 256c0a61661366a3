#include "isp/image/srec_file_reader.h"

#include <algorithm>
#include <cctype>

#include "isp/image/hex_digits.h"

namespace isp {
namespace {

// Bytes of address each record type carries; 0 for the reserved S4.
constexpr unsigned kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool OnlySpace(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool SrecFileReader::Open(const char* path) {
  return lines_.Open(path);
}

std::string SrecFileReader::Invalid(std::string_view reason) const {
  return "Invalid S-record file: line " + std::to_string(lines_.Number()) + ": " +
         std::string(reason);
}

SrecFileReader::Step SrecFileReader::Finish(Step step) {
  finished_ = true;
  final_step_ = step;
  return step;
}

SrecFileReader::Step SrecFileReader::Fail(ImageErrorKind kind, std::string_view reason,
                                          bool line_bound) {
  problem_.kind = kind;
  problem_.format = ImageFormat::kSRecord;
  problem_.line = line_bound ? lines_.Number() : 0;
  problem_.detail = kind == ImageErrorKind::kBadRecord ? std::string(reason) : std::string();
  error_ = line_bound ? Invalid(reason) : "Invalid S-record file: " + std::string(reason);
  return Finish(Step::kInvalid);
}

SrecFileReader::Step SrecFileReader::Next() {
  if (finished_) return final_step_;
  if (!lines_.IsOpen()) return Finish(Step::kReadFailed);
  while (lines_.Next()) {
    const std::string_view line = lines_.Line();
    if (line.empty() || line[0] != 'S') continue;
    if (line.size() < 4 || !std::isdigit(static_cast<unsigned char>(line[1])))
      return Malformed("record too short or without a type digit");
    const unsigned type = static_cast<unsigned>(line[1] - '0');
    if (type == 4) return Malformed("reserved record type S4");
    if (!AllHex(line.substr(2, 2))) return Malformed("non-hex digit");
    const unsigned count = HexToByte(line.data() + 2);
    const std::size_t record_end = 4 + 2u * count;  // through the checksum
    const std::string_view digits = line.substr(4, std::min(line.size(), record_end) - 4);
    if (!AllHex(digits)) return Malformed("non-hex digit");
    if (line.size() < record_end) return Malformed("fewer digits than the byte count needs");
    if (!OnlySpace(line.substr(record_end))) return Malformed("characters after the checksum");
    const unsigned address_bytes = kAddressBytes[type];
    if (count < address_bytes + 1) return Malformed("byte count too small for its address");

    // The checksum is the ones' complement of the low byte of the sum of the
    // count, address and data bytes.
    unsigned sum = 0;
    for (std::size_t pos = 2; pos < record_end; pos += 2) sum += HexToByte(line.data() + pos);
    if ((sum & 0xFFu) != 0xFFu) return Malformed("checksum mismatch");

    std::uint32_t address = 0;
    for (unsigned i = 0; i < address_bytes; ++i)
      address = address << 8 | HexToByte(line.data() + 4 + 2 * i);
    const std::size_t data_at = 4 + 2u * address_bytes;
    const std::size_t data_count = count - address_bytes - 1;

    switch (type) {
      case 0:
        continue;  // the header: a name, nothing to place
      case 1:
      case 2:
      case 3:
        // Data after the end is another image glued on, or a damaged file.
        if (ended_) return Fail(ImageErrorKind::kDataAfterEnd, "data record after the end record");
        ++data_records_;
        if (data_count == 0) continue;
        data_.resize(data_count);
        for (std::size_t i = 0; i < data_count; ++i)
          data_[i] = HexToByte(line.data() + data_at + 2 * i);
        address_ = address;
        has_data_ = true;
        return Step::kData;
      case 5:
      case 6:
        if (data_count != 0) return Malformed("count record with data bytes");
        if (address != data_records_) {
          return Malformed("count record says " + std::to_string(address) +
                           " data records, the file has " + std::to_string(data_records_));
        }
        continue;
      default:  // 7, 8, 9: the end, with where execution starts
        if (data_count != 0) return Malformed("end record with data bytes");
        ended_ = true;
        continue;
    }
  }
  if (lines_.Failed()) return Finish(Step::kReadFailed);
  lines_.CountTheLineAfter();
  if (!has_data_) return Fail(ImageErrorKind::kNoDataRecords, "no data records", false);
  if (!ended_) {
    return Fail(ImageErrorKind::kNoEndRecord,
                "no end record (S7, S8 or S9; is the file truncated?)");
  }
  return Finish(Step::kEnd);
}

}  // namespace isp
