#pragma once

#include <string>

namespace cli {

// What both programming paths say and return when a stop signal ended a
// run: "interrupted", "terminated" or "hung up".
const char* StopText(int signal_number);

// Ctrl-C keeps the exit status of a failed run; the signals that end a job
// from outside tell the caller which one came, as the shell would.
int StoppedExitStatus(int signal_number);

// The warning for each other process that has the port open: another program
// that reads the line takes the replies away from the run.
std::string OtherUsersWarnings(const std::string& port);

}  // namespace cli
