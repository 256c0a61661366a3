#pragma once

#include "comm/port_discovery.h"
#include "comm/registry_host.h"

namespace comm::registry {

// Port discovery from the Windows registry, by the method that suits the
// host's version: the device key tree under "ENUM" (Windows 95, 98, Me) or
// "SYSTEM\CURRENTCONTROLSET\ENUM" (Windows 2000 and later), the values of
// "HARDWARE\DEVICEMAP\SERIALCOMM" (Windows NT 4). Returns 1 when the walk
// ended normally or the callback stopped it, 0 on failure with the code set
// through host.SetLastError. Every key opened is closed and every buffer
// released, whichever way the walk ends.
int EnumRegistrySerialPorts(RegistryHost& host, const PortCallback& callback, int user_value);

}  // namespace comm::registry
