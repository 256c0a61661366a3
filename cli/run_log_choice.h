#pragma once

#include <string>

#include "cli/output_options.h"
#include "comm/comm.h"

namespace cli {

// Attaches the traffic log that --log and --no-log choose. True when a log
// is being written; false with why empty for --no-log, or with the reason
// it could not be created.
bool AttachChosenLog(comm::Comm& comm, const OutputOptions& options, std::string& why);

}  // namespace cli
