#pragma once

#include <string>

#include "cli/output_options.h"
#include "comm/module_commands.h"

namespace cli {

struct ModuleOptions {
  std::string port;
  comm::ModuleCommand command = comm::ModuleCommand::kReset;
  OutputOptions output;  // a traffic log only with --log PATH
};

// Opens the port at 115200 baud, sends one command to the module's firmware
// (not to the boot loader) and closes it again. Exit status 0; 1 when the
// firmware did not echo "EA=1" or "CR" (the reset is never answered); 2
// when the port does not open.
int RunModuleCommand(const ModuleOptions& options);

}  // namespace cli
