#pragma once

#include <string>
#include <vector>

#include "cli/program_command.h"
#include "cli/run_record.h"

namespace cli {

// Programs the image into the module on every port at once, on the command
// line's verified path: one worker per port, each with its own serial unit,
// events and traffic log ("commlog-<port>.txt"), so that a port that fails
// leaves the others alone. The ports are judged before any is opened and
// the image before any port is. Each finished run's record goes to sink.
// Exit status 0 when every port passed, 1 when any failed, 64 or 2 for a
// refused port list or image, 128 + a stop signal that ended the runs.
int RunParallelProgram(const ProgramOptions& options, const std::vector<std::string>& ports,
                       const RecordSink& sink = {});

}  // namespace cli
