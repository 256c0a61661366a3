#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace isp_sim {

// Cuts received bytes into lines. CR, LF and CR LF all end a line; empty lines are dropped, so
// "J\r\n\r" and "12000\r\r" give one line each.
class LineSplitter {
 public:
  static constexpr std::size_t kMaxLine = 1024;  // longer input is cut off, not buffered

  std::optional<std::string> push(char byte);
  void clear() { partial_.clear(); }

 private:
  std::string partial_;
};

}  // namespace isp_sim
