#include <cstdlib>
#include <filesystem>

#include "cli/part_files.h"

namespace cli {

std::string UserPartFile() {
  namespace fs = std::filesystem;
  // A relative XDG_CONFIG_HOME is to be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/')
    return (fs::path(config) / "tarvo" / "parts.json").string();
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return "";
  return (fs::path(home) / ".config" / "tarvo" / "parts.json").string();
}

}  // namespace cli
