#include "line_splitter.hpp"

#include <utility>

namespace isp_sim {

std::optional<std::string> LineSplitter::push(char byte) {
  if (byte == '\r' || byte == '\n') {
    if (partial_.empty()) return std::nullopt;
    return std::exchange(partial_, {});
  }
  if (partial_.size() < kMaxLine) partial_ += byte;
  return std::nullopt;
}

}  // namespace isp_sim
