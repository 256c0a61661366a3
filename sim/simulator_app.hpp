#pragma once

#include "sim_options.hpp"

namespace isp_sim {

// One simulator run: sets up the part and the pty, prints the slave path as the first stdout
// line, runs the session and writes --flash-out and --report before letting go of the line.
// Returns the process exit status.
int run_simulator(const SimOptions& options);

}  // namespace isp_sim
