#include <windows.h>

#include "cli/record/station_host.h"

namespace cli {

std::string StationHost() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "";
  return std::string(name, size);
}

}  // namespace cli
