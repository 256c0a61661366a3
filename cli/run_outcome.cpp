#include "cli/run_outcome.h"

#include <csignal>

#include "cli/program_command.h"
#include "comm/port_users.h"

namespace cli {

const char* StopText(int signal_number) {
  switch (signal_number) {
    case SIGTERM:
      return "terminated";
#ifdef SIGHUP
    case SIGHUP:
      return "hung up";
#endif
    default:
      return "interrupted";
  }
}

int StoppedExitStatus(int signal_number) {
  return signal_number == SIGINT ? kExitFailed : 128 + signal_number;
}

std::string OtherUsersWarnings(const std::string& port) {
  std::string text;
  for (const comm::PortUser& user : comm::FindPortUsers(port)) {
    text += "Warning: " + port + " is also open in process " + std::to_string(user.pid) + " (" +
            user.command + "); replies from the module may go missing\n";
  }
  return text;
}

}  // namespace cli
