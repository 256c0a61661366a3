#include "cli/port_argument.h"

#include "comm/port_table.h"

namespace cli {

std::string PortArgumentPath(const std::string& argument) {
#ifdef _WIN32
  if (argument.starts_with("\\\\")) return argument;
  return comm::DevicePath(argument);
#else
  return argument;
#endif
}

}  // namespace cli
