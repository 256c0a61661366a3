#pragma once

#include "comm/port_discovery.h"
#include "comm/registry_host.h"

// The two ways of finding the ports in the registry. Each returns
// kErrorSuccess when it ended normally or the callback stopped it, else the
// code that ended it.
namespace comm::registry {

// Walks the device keys three levels deep below root (enumerator, device,
// instance) and hands on the instances of the ports class whose port name
// begins with "COM".
ErrorCode WalkDeviceKeyTree(RegistryHost& host, const char* root, const PortCallback& callback,
                            int user_value);

// Hands on the data of each value of "HARDWARE\DEVICEMAP\SERIALCOMM"; no
// port when that key does not exist.
ErrorCode WalkSerialCommValues(RegistryHost& host, const PortCallback& callback, int user_value);

}  // namespace comm::registry
