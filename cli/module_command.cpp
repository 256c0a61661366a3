#include "cli/module_command.h"

#include <cstdio>

#include "cli/failure_text.h"
#include "cli/json_lines.h"
#include "cli/output_options.h"
#include "cli/port_argument.h"
#include "cli/run_log_choice.h"
#include "cli/run_outcome.h"
#include "isp/run_log.h"

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
  const std::string sent = Sent(options.command);
  if (!comm.CommOpen(PortArgumentPath(options.port).c_str(), 115200)) {
    const std::string text = PortOpenFailureText(options.port, comm.LastOpenError());
    if (options.output.json) {
      json.Error(text);
      json.ModuleResult(false, sent, false);
    } else {
      PrintError(text);
    }
    return kExitNotStarted;
  }
  bool logged = false;
  if (!options.output.log_path.empty()) {
    std::string why;
    logged = AttachChosenLog(comm, options.output, why);
    if (!logged && !why.empty()) {
      const std::string text = "\"" + options.output.log_path + "\" not written: " + why;
      if (options.output.json) {
        json.Warning(text);
      } else if (!options.output.quiet) {
        std::fprintf(stderr, "Warning: %s\n", text.c_str());
      }
    }
  }
  const int echo = comm::SendModuleCommand(comm, options.command);
  isp::DetachRunLog(comm);
  comm.CommClose();
  const bool answered = options.command == comm::ModuleCommand::kReset || echo > 0;
  const std::string log_path = AbsolutePath(options.output.log_path);
  if (options.output.json) {
    if (!answered) json.Error("the module's firmware did not echo \"" + sent + "\" within 200 ms");
    if (logged) json.File(isp::kRunLogName, log_path);
    json.ModuleResult(answered, sent, echo > 0);
  } else {
    if (!answered) {
      PrintError("the module's firmware did not echo \"" + sent +
                 "\" within 200 ms: is its firmware running, and the port the module's?");
    }
    if (logged && !options.output.quiet) std::printf("Traffic log   %s\n", log_path.c_str());
    if (options.command == comm::ModuleCommand::kReset) {
      std::printf("Sent reset.\n");
    } else if (answered) {
      std::printf("Sent %s (echoed).\n", sent.c_str());
    } else {
      std::printf("Sent %s (no echo within 200 ms).\n", sent.c_str());
    }
  }
  std::fflush(stdout);
  return answered ? kExitComplete : kExitFailed;
}

}  // namespace cli
