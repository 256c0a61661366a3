#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/run_record.h"

namespace cli {

// A record file's kind, told by its name's ending.
enum class RecordFormat {
  kUnknown,
  kJsonLines,  // ".jsonl": one JSON object per line and run
  kDatabase,   // ".db": a SQLite file with the table "runs"
};

RecordFormat RecordFormatOf(const std::string& path);

// Why a record file's name cannot be used, for a usage error before the
// port opens; nothing when it can.
std::optional<std::string> RecordNameRefusal(const std::string& path);

// Appends the record of one finished run to the file at path, as its name
// says: a whole JSON line flushed to the disk, or one committed row.
// Nothing when it is kept, else why not ("it is a symbolic link",
// "database is locked", ...).
std::optional<std::string> AppendRunRecord(const std::string& path, const RunRecord& record);

// The records of the file, oldest first. Lines of a .jsonl file that hold
// no whole record are left out, each named in skipped ("runs.jsonl:4: ...").
// Nothing when the file was read, else why not.
std::optional<std::string> ReadRunRecords(const std::string& path, std::vector<RunRecord>& records,
                                          std::vector<std::string>& skipped);

}  // namespace cli
