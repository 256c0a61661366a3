#pragma once

#include <string>
#include <vector>

#include "cli/run_record.h"

namespace CLI {
class App;
}

namespace cli {

struct RecordShowOptions {
  std::string file;
  std::string serial;  // --serial: only this part's runs
  std::string since;   // --since: only runs that began then or later (UTC)
  bool json = false;
};

// "record show FILE": the runs a record file holds. Returns the "record"
// command; show is its only subcommand.
CLI::App* AddRecordCommand(CLI::App& app, RecordShowOptions& options);

// The records that pass the filters: the part's serial number as SerialKey
// reads it (empty: any), and a start time as the records write it (empty: any).
std::vector<RunRecord> FilteredRecords(const std::vector<RunRecord>& records,
                                       const std::string& serial, const std::string& since);

// The records as a table for people, a header line first.
std::string RecordTable(const std::vector<RunRecord>& records);

// Reads the file and prints its records: exit 0, or 2 when the file cannot
// be read.
int RunRecordShow(const RecordShowOptions& options);

}  // namespace cli
