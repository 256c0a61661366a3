#include "cli/output_options.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/console.h"

namespace cli {

OutputStyle StyleFor(bool takes_escapes, const char* term, const char* no_color) {
  OutputStyle style;
  style.redraw = takes_escapes && !(term != nullptr && std::strcmp(term, "dumb") == 0);
  style.colour = style.redraw && (no_color == nullptr || no_color[0] == '\0');
  return style;
}

OutputStyle StyleOf(std::FILE* stream) {
  return StyleFor(TakesEscapes(stream), std::getenv("TERM"), std::getenv("NO_COLOR"));
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

}  // namespace cli
