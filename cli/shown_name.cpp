#include "cli/shown_name.h"

#include <cstdio>

namespace cli {
namespace {

void Escape(std::string& out, unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", byte);
  out += text;
}

}  // namespace

std::string ShownName(const std::string& name) {
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x20 || byte == 0x7F) {
      Escape(shown, byte);
    } else if (byte == 0xC2 && i + 1 < name.size() &&
               static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
      // U+0080 to U+009F: 0x9B alone is a CSI on some terminals.
      Escape(shown, byte);
      Escape(shown, static_cast<unsigned char>(name[++i]));
    } else {
      shown += name[i];
    }
  }
  return shown;
}

}  // namespace cli
