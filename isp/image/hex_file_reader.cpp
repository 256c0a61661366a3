#include "isp/image/hex_file_reader.h"

namespace isp {

bool HexFileReader::Open(const char* path) {
  return lines_.Open(path);
}

std::string HexFileReader::Invalid(std::string_view reason) const {
  return "Invalid HEX file: line " + std::to_string(lines_.Number()) + ": " + std::string(reason);
}

HexFileReader::Step HexFileReader::Finish(Step step) {
  finished_ = true;
  final_step_ = step;
  return step;
}

HexFileReader::Step HexFileReader::Fail(ImageErrorKind kind, std::string_view reason,
                                        bool line_bound) {
  problem_.kind = kind;
  problem_.format = ImageFormat::kIntelHex;
  problem_.line = line_bound ? lines_.Number() : 0;
  problem_.detail = kind == ImageErrorKind::kBadRecord ? std::string(reason) : std::string();
  error_ = line_bound ? Invalid(reason) : "Invalid HEX file: " + std::string(reason);
  return Finish(Step::kInvalid);
}

HexFileReader::Step HexFileReader::Next() {
  if (finished_) return final_step_;
  if (!lines_.IsOpen()) return Finish(Step::kReadFailed);
  std::string reason;
  while (lines_.Next()) {
    switch (DecodeHexLine(lines_.Line(), record_, reason)) {
      case HexLine::kNotRecord:
        continue;
      case HexLine::kMalformed:
        return Fail(ImageErrorKind::kBadRecord, reason);
      case HexLine::kRecord:
        break;
    }
    switch (record_.type) {
      case HexRecordType::kData:
        // Data after the end is another image glued on, or a damaged file.
        if (ended_) {
          return Fail(ImageErrorKind::kDataAfterEnd, "data record after the end-of-file record");
        }
        if (record_.data.empty()) continue;
        has_data_ = true;
        address_ = base_ + record_.offset;
        return Step::kData;
      case HexRecordType::kEndOfFile:
        ended_ = true;
        continue;
      case HexRecordType::kExtendedSegmentAddress:
        base_ = static_cast<std::uint32_t>(record_.data[0] << 8 | record_.data[1]) << 4;
        continue;
      case HexRecordType::kExtendedLinearAddress:
        base_ = static_cast<std::uint32_t>(record_.data[0] << 8 | record_.data[1]) << 16;
        continue;
      case HexRecordType::kStartSegmentAddress:
      case HexRecordType::kStartLinearAddress:
        continue;  // where execution starts is the vector table's business
    }
  }
  if (lines_.Failed()) return Finish(Step::kReadFailed);
  lines_.CountTheLineAfter();
  if (!has_data_) return Fail(ImageErrorKind::kNoDataRecords, "no data records", false);
  if (!ended_) {
    return Fail(ImageErrorKind::kNoEndRecord, "no end-of-file record (is the file truncated?)");
  }
  return Finish(Step::kEnd);
}

}  // namespace isp
