#include "cli/run_outcome.h"

#include <csignal>

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
  return kExitSignalBase + signal_number;
}

std::string ExitStatusHelp() {
  return "Exit status:\n"
         "  0    done\n"
         "  1    the part or the module refused or did not answer\n"
         "  2    nothing was done to the part: the file did not load, the output could not be\n"
         "       made or the port did not open (nothing was sent); or, once the part was\n"
         "       identified, the range or sectors asked for are not its own\n"
         "  64   the command line is wrong\n"
         "  130  stopped by Ctrl-C (128 + the signal: 143 for SIGTERM, 129 for SIGHUP)\n";
}

std::vector<std::string> PortUserWarnings(const std::string& port,
                                          const std::vector<comm::PortUser>& users) {
  constexpr std::size_t kNamed = 3;
  std::vector<std::string> warnings;
  for (std::size_t i = 0; i < users.size() && i < kNamed; ++i) {
    warnings.push_back(port + " is also open in process " + std::to_string(users[i].pid) + " (" +
                       users[i].command + "); replies from the module may go missing");
  }
  if (users.size() > kNamed) {
    const std::size_t more = users.size() - kNamed;
    warnings.push_back(port + " is open in " + std::to_string(more) + " more process" +
                       (more == 1 ? "" : "es"));
  }
  return warnings;
}

std::vector<std::string> OtherUsersWarnings(const std::string& port) {
  return PortUserWarnings(port, comm::FindPortUsers(port));
}

bool PortUsersMatter(bool opened, const comm::OpenError& error) {
  return opened || error.kind == comm::OpenFailure::kBusy;
}

}  // namespace cli
