#include "comm/natural_order.h"

#include <cctype>

namespace comm {
namespace {

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Takes the run of digits at the front of text off it, without its leading
// zeros.
std::string_view TakeNumber(std::string_view& text) {
  std::size_t end = 0;
  while (end < text.size() && IsDigit(text[end])) ++end;
  std::string_view number = text.substr(0, end);
  text.remove_prefix(end);
  while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);
  return number;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  const std::string_view whole_a = a;
  const std::string_view whole_b = b;
  while (!a.empty() && !b.empty()) {
    if (IsDigit(a.front()) && IsDigit(b.front())) {
      const std::string_view number_a = TakeNumber(a);
      const std::string_view number_b = TakeNumber(b);
      if (number_a.size() != number_b.size()) return number_a.size() < number_b.size();
      if (number_a != number_b) return number_a < number_b;
      continue;
    }
    if (a.front() != b.front()) return a.front() < b.front();
    a.remove_prefix(1);
    b.remove_prefix(1);
  }
  if (a.empty() != b.empty()) return a.empty();
  // Equal by value ("ttyS01" and "ttyS1"): any fixed order will do.
  return whole_a < whole_b;
}

}  // namespace comm
