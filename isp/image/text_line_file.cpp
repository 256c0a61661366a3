#include "isp/image/text_line_file.h"

#include <string_view>

#include "isp/image/input_file.h"

namespace isp {
namespace {

// The longest HEX record (255 data bytes) is 521 characters, the longest
// S-record 514; a longer line is read to its end, but only this much of it
// is kept.
constexpr std::size_t kKeptLineLength = 1024;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

TextLineFile::~TextLineFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TextLineFile::Open(const char* path) {
  if (IsOpen() || path == nullptr) return false;
  file_ = OpenRegularFile(path);
  return file_ != nullptr;
}

bool TextLineFile::OpenBytes(std::span<const std::uint8_t> bytes) {
  if (IsOpen()) return false;
  bytes_ = bytes;
  at_ = 0;
  in_memory_ = true;
  return true;
}

int TextLineFile::NextByte() {
  if (file_ != nullptr) return std::fgetc(file_);
  return at_ < bytes_.size() ? bytes_[at_++] : EOF;
}

bool TextLineFile::Next() {
  line_.clear();
  if (!IsOpen()) return false;
  bool any = false;
  int c = 0;
  while ((c = NextByte()) != EOF && c != '\n') {
    any = true;
    if (line_.size() < kKeptLineLength) line_.push_back(static_cast<char>(c));
  }
  if (c == EOF && !any) return false;
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  ++number_;
  if (number_ == 1 && line_.starts_with(kByteOrderMark)) line_.erase(0, kByteOrderMark.size());
  return true;
}

}  // namespace isp
