#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/run_record.h"

namespace cli {

// Whether this build keeps records in SQLite files (.db). The Windows build
// does not: it keeps them in JSON lines (.jsonl) only.
bool DatabaseRecordsBuiltIn();

// How long a run waits for another process of the station that is writing
// to the same database before it gives up.
inline constexpr int kDatabaseBusyMs = 10000;

// Appends the record to the table "runs" of the SQLite file at path, made
// with its table and its index on the part's serial number when missing, in
// WAL mode, as one transaction. Refuses a symbolic link (also one in a
// folder of the path), a file that is no regular file or one with other
// hard links. Nothing when the row is committed, else why not.
std::optional<std::string> AppendToDatabase(const std::string& path, const RunRecord& record,
                                            int busy_ms = kDatabaseBusyMs);

// Every row of the table, oldest first. Nothing when they were read, else why not.
std::optional<std::string> ReadDatabase(const std::string& path, std::vector<RunRecord>& records);

}  // namespace cli
