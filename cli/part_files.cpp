#include "cli/part_files.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "isp/part_file.h"
#include "isp/part_table.h"

namespace cli {
namespace {

std::string& GivenFile() {
  static std::string given;
  return given;
}

}  // namespace

bool LoadPartFiles(const std::string& given, std::string& error) {
  GivenFile() = given;
  std::vector<isp::PartRow> rows;
  const std::string user = UserPartFile();
  std::error_code ignored;
  if (!user.empty() && std::filesystem::exists(user, ignored)) {
    if (!isp::ReadPartFile(user, rows, error)) return false;
  }
  if (!given.empty()) {
    std::vector<isp::PartRow> more;
    if (!std::filesystem::exists(given, ignored)) {
      error = given + ": no such part file";
      return false;
    }
    if (!isp::ReadPartFile(given, more, error)) return false;
    rows.insert(rows.end(), more.begin(), more.end());
  }
  isp::AddPartRows(rows);
  return true;
}

std::string PartFileToExtend() {
  return GivenFile().empty() ? UserPartFile() : GivenFile();
}

std::string PartRowTemplate(std::uint32_t id) {
  char text[320];
  std::snprintf(text, sizeof text,
                "{\"id\": \"0x%08X\", \"name\": \"...\", \"sectors\": [{\"size\": 4096, "
                "\"count\": ...}], \"ram_size\": ..., \"ram_buffer_start\": ..., "
                "\"ram_buffer_end\": ...}",
                id);
  return text;
}

}  // namespace cli
