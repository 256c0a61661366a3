#pragma once

#include <functional>

// Port discovery: finds the serial ports of the machine and hands each one
// to a callback. Knows nothing of the window or of the serial unit.
namespace comm {

// One port found. The texts belong to the walk and are valid only during
// the callback; the callback copies what it keeps.
struct PortInfo {
  const char* PortName;        // "COM1"; "/dev/ttyUSB0" on Linux
  const char* FriendlyName;    // the name shown to people; the port name when there is none
  const char* EnumeratorName;  // the enumerator (bus or driver) that reported the port
  // Of a USB adapter, where the walk tells them: "0403:6001" and its serial
  // number; empty otherwise.
  const char* UsbId = "";
  const char* SerialNumber = "";
};

// Takes the caller's user value and the port; returns non-zero to go on, 0
// to stop the walk. An empty function counts as a missing callback.
using PortCallback = std::function<int(int user_value, const PortInfo& port)>;

// Walks the ports of the machine: the system registry on Windows, sysfs on
// Linux. Returns 1 when the walk ended normally or the callback stopped it,
// 0 on failure with the error code left as the last error.
int EnumSerialPorts(const PortCallback& callback, int user_value);

// The error code of the last failed EnumSerialPorts on this thread: a Win32
// error code on Windows (GetLastError), an errno value elsewhere.
int LastDiscoveryError();

}  // namespace comm
