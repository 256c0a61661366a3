#include "cli/module_command.h"

#include <cstdio>

#include "cli/failure_text.h"
#include "cli/json_lines.h"
#include "cli/output_options.h"
#include "cli/port_argument.h"
#include "cli/run_outcome.h"

namespace cli {
namespace {

const char* Sent(comm::ModuleCommand command) {
  switch (command) {
    case comm::ModuleCommand::kDataEraseAll:
      return "EA=1";
    case comm::ModuleCommand::kConfigReset:
      return "CR";
    case comm::ModuleCommand::kReset:
      break;
  }
  return "*";
}

void PrintError(const std::string& text) {
  const bool colour = StyleOf(stderr).colour;
  std::fprintf(stderr, "%s %s\n", colour ? "\033[31mError:\033[0m" : "Error:", text.c_str());
  std::fflush(stderr);
}

}  // namespace

int RunModuleCommand(const ModuleOptions& options) {
  JsonLines json(stdout);
  comm::Comm comm;
  if (!comm.CommOpen(PortArgumentPath(options.port).c_str(), 115200)) {
    const std::string text = PortOpenFailureText(options.port, comm.LastOpenError());
    if (options.output.json) {
      json.Error(text);
    } else {
      PrintError(text);
    }
    return kExitNotStarted;
  }
  const int echo = comm::SendModuleCommand(comm, options.command);
  comm.CommClose();
  const bool answered = options.command == comm::ModuleCommand::kReset || echo > 0;
  const std::string sent = Sent(options.command);
  if (options.output.json) {
    if (!answered) json.Error("the module's firmware did not echo \"" + sent + "\" within 200 ms");
    json.ModuleResult(answered, sent, echo > 0);
  } else if (options.command == comm::ModuleCommand::kReset) {
    std::printf("Sent reset.\n");
  } else if (answered) {
    std::printf("Sent %s (echoed).\n", sent.c_str());
  } else {
    PrintError("the module's firmware did not echo \"" + sent +
               "\" within 200 ms: is its firmware running, and the port the module's?");
    std::printf("Sent %s (no echo within 200 ms).\n", sent.c_str());
  }
  std::fflush(stdout);
  return answered ? kExitComplete : kExitFailed;
}

}  // namespace cli
