#pragma once

#include "cli/program_command.h"

namespace cli {

// One programming run on the command line's own path: file checks before
// the port opens, then synchronise, identify, erase, write and verify,
// restart. Exit status as for every run: 0, 1, 2 for a refused file or
// port, or 128 + the signal that stopped it (130 for Ctrl-C).
int RunVerifiedProgram(const ProgramOptions& options);

}  // namespace cli
