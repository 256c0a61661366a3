#include "cli/verdict_banner.h"

#include <array>
#include <cstdio>

#include "cli/shown_name.h"

namespace cli {
namespace {

constexpr int kGlyphRows = 5;
using Glyph = std::array<const char*, kGlyphRows>;

Glyph GlyphOf(char letter) {
  switch (letter) {
    case 'P':
      return {"######  ", "##   ## ", "######  ", "##      ", "##      "};
    case 'A':
      return {" #####  ", "##   ## ", "####### ", "##   ## ", "##   ## "};
    case 'S':
      return {" ###### ", "##      ", " #####  ", "     ## ", "######  "};
    case 'F':
      return {"####### ", "##      ", "#####   ", "##      ", "##      "};
    case 'I':
      return {"###### ", "  ##   ", "  ##   ", "  ##   ", "###### "};
    default:  // 'L'
      return {"##      ", "##      ", "##      ", "##      ", "####### "};
  }
}

std::string Large(const std::string& word) {
  std::string text;
  for (int row = 0; row < kGlyphRows; ++row) {
    std::string line;
    for (const char letter : word) line += GlyphOf(letter)[static_cast<std::size_t>(row)];
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

}  // namespace

std::string VerdictText(const Verdict& verdict, bool large, bool colour) {
  const std::string word = verdict.passed ? "PASS" : "FAIL";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(verdict.duration_ms) / 1000);
  std::string facts =
      ShownName(verdict.port) + "  " +
      (verdict.serial.empty() ? "serial number unknown" : "serial number " + verdict.serial) +
      "  " + seconds;
  if (!verdict.passed && !verdict.error.empty()) facts += "\n" + ShownName(verdict.error);
  if (!large) return word + "  " + facts + "\n";
  std::string letters = Large(word);
  if (colour) {
    // Bold, in the colour of the verdict.
    letters = std::string(verdict.passed ? "\033[1;32m" : "\033[1;31m") + letters + "\033[0m";
  }
  return "\n" + letters + facts + "\n\n";
}

}  // namespace cli
