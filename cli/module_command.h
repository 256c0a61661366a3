#pragma once

#include <string>

#include "comm/module_commands.h"

namespace cli {

// Opens the port at 115200 baud, sends one command to the module's firmware
// and closes it again. Exit status 0, or 2 when the port does not open.
int RunModuleCommand(const std::string& port, comm::ModuleCommand command);

}  // namespace cli
