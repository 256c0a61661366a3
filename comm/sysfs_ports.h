#pragma once

#include <string>

#include "comm/port_discovery.h"

namespace comm {

// Port discovery from Linux sysfs: each entry of <sysfs_root>/class/tty that
// has a device behind it (virtual consoles, pseudo-terminals and the console
// have none), in natural order of the names. The port name is the device
// node "/dev/<name>"; the friendly name the USB device's manufacturer,
// product and serial number where it has them, else the port name; the
// enumerator the bus the port was found on (usb, pci, pnp, platform, ...);
// of a USB device also its idVendor:idProduct and serial number.
// Returns 1 when the walk ended normally or the callback stopped it, 0 on
// failure with an errno value left for LastSysfsDiscoveryError.
int EnumSysfsSerialPorts(const std::string& sysfs_root, const PortCallback& callback,
                         int user_value);

// The errno value of the last failed EnumSysfsSerialPorts on this thread.
int LastSysfsDiscoveryError();

}  // namespace comm
