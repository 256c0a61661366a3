#pragma once

#include "cli/program_command.h"

namespace cli {

// One programming run from the terminal: the window's run, tick for tick
// (program --classic), always at 115200 baud.
int RunClassicProgram(const ProgramOptions& options);

}  // namespace cli
