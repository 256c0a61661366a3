#include "comm/port_probe.h"

#include "comm/port_table.h"

namespace comm {

bool ProbePort(Comm& comm, const std::string& port_name, int baud) {
  // CommOpen refuses while a port is held, so only our own open is closed.
  if (!comm.CommOpen(DevicePath(port_name).c_str(), baud)) return false;
  comm.CommClose();
  return true;
}

}  // namespace comm
