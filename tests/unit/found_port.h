#pragma once

#include <ostream>
#include <string>

namespace testing_support {

// A port as discovery handed it to its callback, copied for comparison.
struct FoundPort {
  std::string port;
  std::string friendly;
  std::string enumerator;
  bool operator==(const FoundPort&) const = default;
};

inline void PrintTo(const FoundPort& found, std::ostream* out) {
  *out << "{" << found.port << " | " << found.friendly << " | " << found.enumerator << "}";
}

}  // namespace testing_support
