#pragma once

#include <string>

namespace cli {

// The device path that a --port argument names. On Windows a port name goes
// through the DevicePath rule ("COM5" as it is, "COM12" as "\\.\COM12"),
// and a name that already is a device path ("\\.\COM12") stays as it is.
// Elsewhere the argument is the device path ("/dev/ttyUSB0").
std::string PortArgumentPath(const std::string& argument);

// The --port option's help: what a port is called on this system.
const char* PortOptionHelp();

}  // namespace cli
