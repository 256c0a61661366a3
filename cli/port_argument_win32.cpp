#include "cli/port_argument.h"

#include "comm/port_table.h"

namespace cli {

std::string PortArgumentPath(const std::string& argument) {
  if (argument.starts_with("\\\\")) return argument;
  return comm::DevicePath(argument);
}

const char* PortOptionHelp() {
  return "Serial port, e.g. COM5 (default: $TARVO_PORT)";
}

}  // namespace cli
