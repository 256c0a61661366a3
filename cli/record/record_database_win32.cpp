#include "cli/record/record_database.h"

namespace cli {

// Debian's cross compiler comes without a SQLite for Windows: records there
// are JSON lines, and the option refuses a .db name before the run.
bool DatabaseRecordsBuiltIn() {
  return false;
}

std::optional<std::string> AppendToDatabase(const std::string&, const RunRecord&, int) {
  return std::string("this build keeps records in .jsonl files only");
}

std::optional<std::string> ReadDatabase(const std::string&, std::vector<RunRecord>&) {
  return std::string("this build reads records from .jsonl files only");
}

}  // namespace cli
