#pragma once

namespace cli {

// Exit status of "ports".
inline constexpr int kExitPortsListed = 0;  // also when no port was found
inline constexpr int kExitDiscoveryFailed = 1;

// The speed a port is opened at to see whether it can be used.
inline constexpr int kProbeBaud = 115200;

// Lists the serial ports that discovery finds, one list entry per line
// ("port   friendly name   enumerator"): those that open, or with all set,
// every one without opening it.
int RunPorts(bool all);

}  // namespace cli
