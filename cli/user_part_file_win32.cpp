#include <cstdlib>
#include <filesystem>

#include "cli/part_files.h"

namespace cli {

std::string UserPartFile() {
  const char* app_data = std::getenv("APPDATA");
  if (app_data == nullptr || app_data[0] == '\0') return "";
  return (std::filesystem::path(app_data) / "tarvo" / "parts.json").string();
}

}  // namespace cli
