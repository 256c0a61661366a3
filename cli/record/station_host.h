#pragma once

#include <string>

namespace cli {

// The name of the machine this runs on, as the system tells it; empty when
// it cannot be told.
std::string StationHost();

}  // namespace cli
