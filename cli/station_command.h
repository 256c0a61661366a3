#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/program_command.h"
#include "cli/run_record.h"

namespace CLI {
class App;
}  // namespace CLI

namespace cli {

struct StationOptions {
  ProgramOptions program;  // the file and how each module is programmed
  std::vector<std::string> ports;
  std::string ports_file;
};

// How a station paces itself.
struct StationTiming {
  // Between two "?" to a port where no module answers yet, and between two
  // tries to open a port whose adapter is away.
  std::uint32_t poll_ms = 500;
  // A module counts as removed once this many polls in a row went unanswered.
  unsigned silent_polls = 2;
};

// "station": its options on the command line.
CLI::App* AddStationCommand(CLI::App& app, StationOptions& options);

// Programs module after module on every port at once: waits for a module
// to answer "?" (or for the adapter to appear), programs and verifies it,
// shows PASS or FAIL with its serial number and the time taken, hands its
// record to sink whole, then waits for it to be removed (the line silent,
// or the adapter gone) and for the next one. Ends once stop_signal names a
// signal: at once while waiting, after the current module while one is
// programmed. Exit status 0 when no module failed, 1 when one did, 64 or
// 2 for a refused port list or image.
int RunStation(const StationOptions& options, const RecordSink& sink,
               const std::function<int()>& stop_signal, const StationTiming& timing = {});

// The command: RunStation until Ctrl-C, SIGTERM or SIGHUP.
int RunStationCommand(const StationOptions& options, const RecordSink& sink = {});

}  // namespace cli
