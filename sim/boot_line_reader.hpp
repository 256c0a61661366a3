#pragma once

#include <optional>
#include <string>

#include "line_splitter.hpp"

namespace isp_sim {

// How a boot loader echoes what it receives.
enum class EchoDialect {
  kCrLf,   // each complete line once, as its text and CR LF; empty lines not at all
  kExact,  // every byte as it arrives; an LF right after a CR is swallowed
};

// What the boot loader makes of one received byte.
struct LineInput {
  std::string echo;                 // bytes to echo at once (exact dialect)
  bool starts_line = false;         // the echo is the first of a line
  std::optional<std::string> line;  // a complete, non-empty line
};

// The boot loader's receive side in either dialect. In the exact one a line ends at its CR (or
// at an LF not preceded by a CR), so a command runs as soon as its CR is in; an empty line is
// echoed and otherwise ignored.
class BootLineReader {
 public:
  explicit BootLineReader(EchoDialect dialect) : dialect_(dialect) {}

  EchoDialect dialect() const { return dialect_; }
  LineInput push(char byte);
  void clear();

 private:
  EchoDialect dialect_;
  LineSplitter crlf_lines_;
  std::string partial_;
  bool in_line_ = false;
  bool after_cr_ = false;
};

}  // namespace isp_sim
