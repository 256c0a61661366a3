#include "cli/ports_command.h"

#include <cstdio>
#include <system_error>

#include "comm/comm.h"
#include "comm/port_discovery.h"
#include "comm/port_list_entry.h"
#include "comm/port_probe.h"

namespace cli {

int RunPorts(bool all) {
  comm::Comm comm;
  const auto list_port = [&comm, all](int, const comm::PortInfo& port) {
    const auto entry = comm::PortListEntry(port);
    if (!entry) return 1;
    if (!all && !comm::ProbePort(comm, port.PortName, kProbeBaud)) return 1;
    std::printf("%s\n", entry->c_str());
    return 1;
  };
  if (!comm::EnumSerialPorts(list_port, 0)) {
    const int code = comm::LastDiscoveryError();
    std::fprintf(stderr, "Error: Port discovery failed: %s (%d)\n",
                 std::system_category().message(code).c_str(), code);
    return kExitDiscoveryFailed;
  }
  return kExitPortsListed;
}

}  // namespace cli
