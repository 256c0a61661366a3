#pragma once

#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/port_users.h"

namespace cli {

// Exit status of every command.
inline constexpr int kExitComplete = 0;
inline constexpr int kExitFailed = 1;      // the part or the module refused, or did not answer
inline constexpr int kExitNotStarted = 2;  // file not loaded or port not opened
inline constexpr int kExitUsage = 64;      // the command line itself is wrong
// A stop signal ends a run with 128 + its number, as the shell counts:
// 130 for Ctrl-C (SIGINT), 143 for SIGTERM, 129 for SIGHUP.
inline constexpr int kExitSignalBase = 128;

// The exit statuses as --help lists them.
std::string ExitStatusHelp();

// What both programming paths say and return when a stop signal ended a
// run: "interrupted", "terminated" or "hung up".
const char* StopText(int signal_number);

// 128 + the signal that stopped the run (after the port and the log were
// closed), so that a script tells a stop from a failure.
int StoppedExitStatus(int signal_number);

// The warnings, one text each, for the other processes that have the port
// open: another program that reads the line takes the replies away from the
// run. At most a few are named, then how many more there are.
std::vector<std::string> OtherUsersWarnings(const std::string& port);
std::vector<std::string> PortUserWarnings(const std::string& port,
                                          const std::vector<comm::PortUser>& users);
// Whether the port's other users are worth naming after an open: only when
// it opened or another program holds it, never for what is no serial port.
bool PortUsersMatter(bool opened, const comm::OpenError& error);

}  // namespace cli
