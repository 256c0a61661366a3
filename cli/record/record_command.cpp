#include "cli/record/record_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "cli/record/record_fields.h"
#include "cli/record/record_file.h"
#include "cli/record/record_time.h"
#include "cli/run_outcome.h"
#include "cli/shown_name.h"

namespace cli {
namespace {

constexpr std::size_t kColumns = 10;

std::array<std::string, kColumns> Row(const RunRecord& record) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(record.duration_ms) / 1000.0);
  return {ShownName(record.time_utc),    ShownName(record.station_host),
          ShownName(record.port),        ShownName(record.part_name),
          ShownName(record.part_serial), record.passed ? "PASS" : "FAIL",
          std::to_string(record.bytes),  seconds,
          ShownName(record.file),        ShownName(record.error)};
}

// Columns as wide as their widest cell; UTF-8 counts by its characters.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

CLI::App* AddRecordCommand(CLI::App& app, RecordShowOptions& options) {
  CLI::App* record =
      app.add_subcommand("record", "The record of programming runs that program --record keeps.");
  record->require_subcommand(1);
  CLI::App* show = record->add_subcommand(
      "show", "Print the runs of a record file (.jsonl or .db), oldest first, as a table.");
  show->add_option("FILE", options.file, "The record file (.jsonl or .db)")
      ->required()
      ->check([](const std::string& file) { return RecordNameRefusal(file).value_or(""); });
  show->add_option("--serial", options.serial,
                   "Only the runs of the part with this serial number (as info shows it, with "
                   "or without 0x and spaces)");
  show->add_option("--since", options.since,
                   "Only the runs that began at this time (UTC) or later: 2026-12-10, "
                   "2026-12-10T08:30 or 2026-12-10T08:30:15Z")
      ->check([](const std::string& text) {
        return RecordTimeOf(text) ? std::string()
                                  : "\"" + text +
                                        "\" is no time: give 2026-12-10, "
                                        "2026-12-10T08:30 or 2026-12-10T08:30:15";
      });
  show->add_flag("--json", options.json, "One JSON object per run and line");
  return record;
}

std::vector<RunRecord> FilteredRecords(const std::vector<RunRecord>& records,
                                       const std::string& serial, const std::string& since) {
  const std::string key = SerialKey(serial);
  std::vector<RunRecord> kept;
  for (const RunRecord& record : records) {
    if (!serial.empty() && SerialKey(record.part_serial) != key) continue;
    if (!since.empty() && record.time_utc < since) continue;
    kept.push_back(record);
  }
  return kept;
}

std::string RecordTable(const std::vector<RunRecord>& records) {
  const std::array<std::string, kColumns> header = {"Time",          "Host",   "Port",  "Part",
                                                    "Serial number", "Result", "Bytes", "Seconds",
                                                    "File",          "Error"};
  std::vector<std::array<std::string, kColumns>> rows = {header};
  for (const RunRecord& record : records) rows.push_back(Row(record));
  std::array<std::size_t, kColumns> widths{};
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < kColumns; ++i) {
      line += row[i];
      if (i + 1 < kColumns) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

int RunRecordShow(const RecordShowOptions& options) {
  std::vector<RunRecord> records;
  std::vector<std::string> skipped;
  if (const auto why = ReadRunRecords(options.file, records, skipped)) {
    std::fprintf(stderr, "Error: Cannot read %s: %s\n", ShownName(options.file).c_str(),
                 why->c_str());
    return kExitNotStarted;
  }
  for (const std::string& line : skipped) {
    std::fprintf(stderr, "Warning: %s (left out)\n", line.c_str());
  }
  const std::string since = options.since.empty() ? "" : RecordTimeOf(options.since).value_or("");
  const std::vector<RunRecord> shown = FilteredRecords(records, options.serial, since);
  if (options.json) {
    for (const RunRecord& record : shown) std::printf("%s\n", RecordLine(record).c_str());
  } else {
    std::fputs(RecordTable(shown).c_str(), stdout);
  }
  std::fflush(stdout);
  return kExitComplete;
}

}  // namespace cli
