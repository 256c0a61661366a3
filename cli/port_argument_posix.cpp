#include "cli/port_argument.h"

namespace cli {

std::string PortArgumentPath(const std::string& argument) {
  return argument;
}

const char* PortOptionHelp() {
  return "Serial device, e.g. /dev/ttyUSB0 (default: $TARVO_PORT)";
}

}  // namespace cli
