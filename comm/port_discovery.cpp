#include "comm/port_discovery.h"

#ifdef _WIN32
#include "comm/registry_host_win32.h"
#include "comm/registry_walk.h"
#else
#include "comm/sysfs_ports.h"
#endif

namespace comm {

int EnumSerialPorts(const PortCallback& callback, int user_value) {
#ifdef _WIN32
  registry::Win32RegistryHost host;
  return registry::EnumRegistrySerialPorts(host, callback, user_value);
#else
  return EnumSysfsSerialPorts("/sys", callback, user_value);
#endif
}

int LastDiscoveryError() {
#ifdef _WIN32
  return static_cast<int>(registry::Win32RegistryHost().GetLastError());
#else
  return LastSysfsDiscoveryError();
#endif
}

}  // namespace comm
