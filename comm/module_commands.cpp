#include "comm/module_commands.h"

namespace comm {

int SendModuleCommand(Comm& comm, ModuleCommand command) {
  switch (command) {
    case ModuleCommand::kDataEraseAll:
      return comm.SendSetting("EA", 1);
    case ModuleCommand::kConfigReset:
      return comm.SendLine("CR");
    case ModuleCommand::kReset:
      comm.CommWrite("*", 1);
      return 0;
  }
  return 0;
}

}  // namespace comm
