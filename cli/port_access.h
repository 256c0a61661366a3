#pragma once

#include <string>

namespace cli {

// Why no port that was found opens for this user, as far as the system
// tells, with its leading space and in brackets: on Linux what the group of
// the first port found (first) asks of the user; empty when nothing is known.
std::string NoneOpensReason(const std::string& first);

}  // namespace cli
