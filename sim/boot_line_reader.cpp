#include "boot_line_reader.hpp"

#include <utility>

namespace isp_sim {

LineInput BootLineReader::push(char byte) {
  LineInput input;
  if (dialect_ == EchoDialect::kCrLf) {
    input.line = crlf_lines_.push(byte);
    return input;
  }
  if (byte == '\n' && after_cr_) {
    after_cr_ = false;
    return input;
  }
  after_cr_ = byte == '\r';
  input.echo = std::string(1, byte);
  input.starts_line = !in_line_;
  if (byte == '\r' || byte == '\n') {
    in_line_ = false;
    if (!partial_.empty()) input.line = std::exchange(partial_, {});
    return input;
  }
  in_line_ = true;
  if (partial_.size() < LineSplitter::kMaxLine) partial_ += byte;
  return input;
}

void BootLineReader::clear() {
  crlf_lines_.clear();
  partial_.clear();
  in_line_ = false;
  after_cr_ = false;
}

}  // namespace isp_sim
