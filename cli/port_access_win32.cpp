// Windows tells no one but an administrator who holds a COM port.
#include "cli/port_access.h"

namespace cli {

std::string NoneOpensReason(const std::string&) {
  return " (another program may hold them)";
}

}  // namespace cli
