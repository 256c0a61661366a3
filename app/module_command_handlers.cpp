// The one-line commands to the module's own firmware. Each opens the port
// for its click only; a port that does not open (for instance because a run
// holds it) makes the command do nothing.
#include "app/baud_table.h"
#include "app/main_form.h"
#include "app/port_path.h"

namespace app {

void TMainForm::SendModuleCommandOnSelectedPort(comm::ModuleCommand command) {
  const std::optional<std::string> port_path = ResolvePortPath(*CommPortBox, unit.PortTable);
  if (!port_path || !unit.comm.CommOpen(port_path->c_str(), kRunBaud)) return;
  comm::SendModuleCommand(unit.comm, command);
  unit.comm.CommClose();
}

void TMainForm::EA_BtnClick() {
  SendModuleCommandOnSelectedPort(comm::ModuleCommand::kDataEraseAll);
}

void TMainForm::CR_BtnClick() {
  SendModuleCommandOnSelectedPort(comm::ModuleCommand::kConfigReset);
}

void TMainForm::ResetBtnClick() {
  SendModuleCommandOnSelectedPort(comm::ModuleCommand::kReset);
}

}  // namespace app
