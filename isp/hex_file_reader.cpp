#include "isp/hex_file_reader.h"

#include "isp/input_file.h"

namespace isp {
namespace {

// The longest record (255 data bytes) is 521 characters; a longer line is
// read to its end, but only this much of it is kept.
constexpr std::size_t kKeptLineLength = 1024;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

HexFileReader::~HexFileReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool HexFileReader::Open(const char* path) {
  if (file_ != nullptr || path == nullptr) return false;
  file_ = OpenRegularFile(path);
  return file_ != nullptr;
}

// Reads one whole line, however long, without its line break (LF or CR LF).
// False at the end of the file when nothing was read.
bool HexFileReader::ReadLine() {
  line_.clear();
  bool any = false;
  int c = 0;
  while ((c = std::fgetc(file_)) != EOF && c != '\n') {
    any = true;
    if (line_.size() < kKeptLineLength) line_.push_back(static_cast<char>(c));
  }
  if (c == EOF && !any) return false;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  ++line_number_;
  if (line_number_ == 1 && line_.starts_with(kByteOrderMark)) line_.erase(0, kByteOrderMark.size());
  return true;
}

std::string HexFileReader::Invalid(std::string_view reason) const {
  return "Invalid HEX file: line " + std::to_string(line_number_) + ": " + std::string(reason);
}

HexFileReader::Step HexFileReader::Finish(Step step) {
  finished_ = true;
  final_step_ = step;
  return step;
}

HexFileReader::Step HexFileReader::Fail(std::string text) {
  error_ = std::move(text);
  return Finish(Step::kInvalid);
}

HexFileReader::Step HexFileReader::Next() {
  if (finished_) return final_step_;
  if (file_ == nullptr) return Finish(Step::kReadFailed);
  std::string reason;
  while (ReadLine()) {
    switch (DecodeHexLine(line_, record_, reason)) {
      case HexLine::kNotRecord:
        continue;
      case HexLine::kMalformed:
        return Fail(Invalid(reason));
      case HexLine::kRecord:
        break;
    }
    switch (record_.type) {
      case HexRecordType::kData:
        // Data after the end is another image glued on, or a damaged file.
        if (ended_) return Fail(Invalid("data record after the end-of-file record"));
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
  if (std::ferror(file_) != 0) return Finish(Step::kReadFailed);
  ++line_number_;  // the line after the last one read
  if (!has_data_) return Fail("Invalid HEX file: no data records");
  if (!ended_) return Fail(Invalid("no end-of-file record (is the file truncated?)"));
  return Finish(Step::kEnd);
}

}  // namespace isp
