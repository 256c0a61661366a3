#include "cli/record/record_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "cli/record/line_append.h"
#include "cli/record/record_database.h"
#include "cli/record/record_fields.h"
#include "cli/shown_name.h"

namespace cli {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i) {
    char c = text[text.size() - end.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != end[i]) return false;
  }
  return true;
}

std::optional<std::string> ReadJsonLines(const std::string& path, std::vector<RunRecord>& records,
                                         std::vector<std::string>& skipped) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string(std::strerror(errno));
  const std::string name = ShownName(path);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const bool ended = !in.eof();
    if (line.empty()) continue;
    if (!ended) {
      skipped.push_back(name + ":" + std::to_string(number) + ": the line has no end");
      break;
    }
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_discarded()) {
      skipped.push_back(name + ":" + std::to_string(number) + ": no JSON");
      continue;
    }
    std::optional<RunRecord> record = RecordFromJson(object);
    if (!record) {
      skipped.push_back(name + ":" + std::to_string(number) + ": no record of a run");
      continue;
    }
    records.push_back(std::move(*record));
  }
  if (in.bad()) return std::string(std::strerror(errno));
  return std::nullopt;
}

}  // namespace

RecordFormat RecordFormatOf(const std::string& path) {
  if (EndsWith(path, ".jsonl")) return RecordFormat::kJsonLines;
  if (EndsWith(path, ".db")) return RecordFormat::kDatabase;
  return RecordFormat::kUnknown;
}

std::optional<std::string> RecordNameRefusal(const std::string& path) {
  switch (RecordFormatOf(path)) {
    case RecordFormat::kJsonLines:
      return std::nullopt;
    case RecordFormat::kDatabase:
      if (DatabaseRecordsBuiltIn()) return std::nullopt;
      return "\"" + ShownName(path) +
             "\": this build keeps no SQLite records (.db); give a .jsonl file instead";
    case RecordFormat::kUnknown:
      break;
  }
  return "\"" + ShownName(path) +
         "\" is no record file: its name must end in .jsonl (JSON lines) or .db (SQLite)";
}

std::optional<std::string> AppendRunRecord(const std::string& path, const RunRecord& record) {
  switch (RecordFormatOf(path)) {
    case RecordFormat::kJsonLines:
      return AppendLine(path, RecordLine(record) + "\n");
    case RecordFormat::kDatabase:
      return AppendToDatabase(path, record);
    case RecordFormat::kUnknown:
      break;
  }
  return std::string("its name ends in neither .jsonl nor .db");
}

std::optional<std::string> ReadRunRecords(const std::string& path, std::vector<RunRecord>& records,
                                          std::vector<std::string>& skipped) {
  switch (RecordFormatOf(path)) {
    case RecordFormat::kJsonLines:
      return ReadJsonLines(path, records, skipped);
    case RecordFormat::kDatabase:
      return ReadDatabase(path, records);
    case RecordFormat::kUnknown:
      break;
  }
  return std::string("its name ends in neither .jsonl nor .db");
}

}  // namespace cli
