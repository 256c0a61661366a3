#include <unistd.h>

#include "cli/record/station_host.h"

namespace cli {

std::string StationHost() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace cli
