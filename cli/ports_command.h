#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "comm/port_discovery.h"

namespace cli {

// Exit status of "ports".
inline constexpr int kExitPortsListed = 0;  // also when no port was found
inline constexpr int kExitDiscoveryFailed = 1;

// The speed a port is opened at to see whether it can be used.
inline constexpr int kProbeBaud = 115200;

struct PortsOptions {
  bool all = false;   // every port found, without opening any
  bool json = false;  // one JSON object per port and line
};

// Walks the ports (discovery's EnumSerialPorts, or a test's own walk) and
// returns what EnumSerialPorts returns.
using PortWalk = std::function<int(const comm::PortCallback& callback)>;
// Whether the current user can open the port: by default, whether it opens.
using PortOpens = std::function<bool(const std::string& port_name)>;

// Lists the ports that the walk finds, one per line on out: those that
// open, or with all set, every one. A line is "port   friendly name
// enumerator", with "   vendor:product" after it for a USB adapter; as
// JSON, {"port", "name", "bus", "usb", "serial"}. Exit status as above, the
// failure of discovery told on err.
int ListPorts(const PortsOptions& options, const PortWalk& walk, const PortOpens& opens,
              std::FILE* out, std::FILE* err);

// ListPorts on the machine's ports, stdout and stderr.
int RunPorts(const PortsOptions& options);

}  // namespace cli
