#include "cli/module_command.h"

#include <cstdio>

#include "cli/failure_text.h"
#include "cli/json_lines.h"
#include "cli/output_options.h"
#include "cli/port_argument.h"
#include "cli/run_log_choice.h"
#include "cli/run_outcome.h"
#include "cli/shown_name.h"
#include "isp/run_log.h"
#include "isp/wire/reply_reader.h"

namespace cli {
namespace {

void PrintError(const std::string& text) {
  const bool colour = StyleOf(stderr).colour;
  std::fprintf(stderr, "%s %s\n", colour ? "\033[31mError:\033[0m" : "Error:", text.c_str());
  std::fflush(stderr);
}

}  // namespace

int RunModuleCommand(const ModuleOptions& options) {
  JsonLines json(stdout);
  comm::Comm comm;
  const std::string sent = comm::ModuleCommandLine(options.command);
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
      const std::string text = "\"" + ShownName(options.output.log_path) + "\" not written: " + why;
      if (options.output.json) {
        json.Warning(text);
      } else if (!options.output.quiet) {
        std::fprintf(stderr, "Warning: %s\n", text.c_str());
      }
    }
  }
  const bool reset = options.command == comm::ModuleCommand::kReset;
  comm::ModuleAnswer answer;
  if (reset) {
    comm::SendModuleCommand(comm, options.command);
  } else {
    answer = comm::ExchangeModuleCommand(comm, options.command);
  }
  isp::DetachRunLog(comm);
  comm.CommClose();
  // Only the firmware's own echo, exactly, is a success: a boot loader also
  // answers, with a return code.
  const bool answered = reset || answer.EchoedExactly(sent);
  std::string error;
  if (!answered && answer.bytes.empty()) {
    error = "the module's firmware did not echo \"" + sent +
            "\" within 200 ms: is its firmware running, and the port the module's?";
  } else if (!answered) {
    error = "the module answered \"" + isp::ShowBytes(answer.bytes) +
            "\", not its firmware's echo of \"" + sent +
            "\": a part in its boot loader answers so (start the firmware with `tarvo-cli run`)";
  }
  const std::string log_path = AbsolutePath(options.output.log_path);
  if (options.output.json) {
    if (!answered) json.Error(error);
    if (logged) json.File(isp::kRunLogName, log_path);
    json.ModuleResult(answered, sent, !answer.bytes.empty());
  } else {
    if (!answered) PrintError(error);
    if (logged && !options.output.quiet)
      std::printf("Traffic log   %s\n", ShownName(log_path).c_str());
    if (reset) {
      std::printf("Sent reset.\n");
    } else if (answered) {
      std::printf("Sent %s (echoed).\n", sent.c_str());
    } else {
      std::printf(answer.bytes.empty() ? "Sent %s (no echo within 200 ms).\n"
                                       : "Sent %s (not echoed by the firmware).\n",
                  sent.c_str());
    }
  }
  std::fflush(stdout);
  return answered ? kExitComplete : kExitFailed;
}

}  // namespace cli
