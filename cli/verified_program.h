#pragma once

#include "cli/program_command.h"
#include "cli/run_report.h"
#include "isp/image/flash_image.h"

namespace cli {

// One programming run on the command line's own path: file checks before
// the port opens, then synchronise, identify, erase, write and verify,
// restart. Exit status as for every run: 0, 1, 2 for a refused file or
// port, or 128 + the signal that stopped it (130 for Ctrl-C).
int RunVerifiedProgram(const ProgramOptions& options);

// Everything the file alone tells, judged before a port is opened: the
// image loaded, its address and sector 0 checked, a locking protection word
// refused. False when refused (the error has been shown).
bool PrepareImage(const ProgramOptions& options, RunReport& display, isp::FlashImage& image);

}  // namespace cli
