#pragma once

#include <string>

namespace cli {

// The serial number of the USB adapter behind the port, as the system's
// port list tells it (sysfs on Linux, the registry on Windows); empty when
// the port is no USB adapter or the system does not know it. The port is
// the device path a --port argument names; on Linux a link to the device
// (/dev/serial/by-id/...) finds the device it leads to.
std::string AdapterSerial(const std::string& device_path);

}  // namespace cli
