#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cli/program_command.h"
#include "cli/run_record.h"
#include "cli/run_report.h"
#include "comm/comm.h"
#include "isp/image/flash_image.h"
#include "isp/verified/programmer_events.h"

namespace cli {

// How one module's programming ended.
struct ModuleRunResult {
  RunRecord record;
  std::optional<isp::Failure> failure;
  int status = 0;  // the exit status this run alone would have
};

// Programs and verifies the image into the module on the open serial unit,
// on the command line's verified path, then reads the part's boot code
// version (K) and serial number (N) for the record, and starts the new
// firmware when the options ask for it. Every event goes to events, the
// failure too (as an error). stop_signal, when set, is asked before each
// command: the number of a stop signal that came, 0 while none has.
ModuleRunResult ProgramModule(comm::Comm& comm, const isp::FlashImage& image,
                              const ProgramOptions& options, const std::string& port,
                              RunReport& events, const std::function<int()>& stop_signal);

// The time as ISO 8601 in UTC, to the second: "2026-12-10T23:45:01Z".
std::string UtcIsoTime(std::chrono::system_clock::time_point when);

// The serial number's four words as info shows them: "0x0F01A2B3 0x...".
std::string SerialNumberText(const std::array<std::uint32_t, 4>& words);

}  // namespace cli
