#pragma once

#include "comm/comm.h"

namespace comm {

// One-line commands to the module's own firmware (not the boot loader).
enum class ModuleCommand {
  kDataEraseAll,  // "EA=1\r", echo read and dropped
  kConfigReset,   // "CR\r", echo read and dropped
  kReset,         // the single byte "*", nothing read
};

// Sends the command on the port that is open. Returns the length of the
// echo line (0 when none came within 200 ms, and always 0 for kReset).
int SendModuleCommand(Comm& comm, ModuleCommand command);

}  // namespace comm
