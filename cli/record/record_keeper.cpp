#include "cli/record/record_keeper.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "cli/port_argument.h"
#include "cli/record/adapter_serial.h"
#include "cli/record/record_file.h"
#include "cli/record/station_host.h"

namespace cli {

RecordKeeper::RecordKeeper(std::string path, std::string image_digest)
    : path_(std::move(path)), image_digest_(std::move(image_digest)), host_(StationHost()) {}

void RecordKeeper::Keep(RunRecord record) {
  record.station_host = host_;
  record.adapter_serial = AdapterSerial(PortArgumentPath(record.port));
  record.image_sha256 = image_digest_;
  const std::optional<std::string> cannot = AppendRunRecord(path_, record);
  if (!cannot) return;
  all_kept_ = false;
  std::fprintf(
      stderr, "Error: %s: %s%s\n", record.port.c_str(),
      record.passed ? "programmed but not recorded: " : "the failed run was not recorded either: ",
      cannot->c_str());
}

}  // namespace cli
