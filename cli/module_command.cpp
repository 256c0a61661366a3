#include "cli/module_command.h"

#include <cstdio>

#include "cli/port_argument.h"
#include "cli/program_command.h"

namespace cli {

int RunModuleCommand(const std::string& port, comm::ModuleCommand command) {
  comm::Comm comm;
  if (!comm.CommOpen(PortArgumentPath(port).c_str(), 115200)) {
    std::fprintf(stderr, "Error: Unable to open Serial Port\n");
    return kExitNotStarted;
  }
  const int echo = comm::SendModuleCommand(comm, command);
  comm.CommClose();
  switch (command) {
    case comm::ModuleCommand::kReset:
      std::printf("Sent reset.\n");
      break;
    case comm::ModuleCommand::kDataEraseAll:
    case comm::ModuleCommand::kConfigReset:
      std::printf("Sent %s (%s).\n", command == comm::ModuleCommand::kDataEraseAll ? "EA=1" : "CR",
                  echo > 0 ? "echoed" : "no echo within 200 ms");
      break;
  }
  return 0;
}

}  // namespace cli
