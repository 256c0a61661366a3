#include "cli/common_options.h"

#include "cli/port_argument.h"
#include "cli/run_outcome.h"

namespace cli {

CLI::Option* AddPortOption(CLI::App& command, std::string& port) {
  return command.add_option("-p,--port", port, PortOptionHelp())->envname("TARVO_PORT")->required();
}

CLI::Option* AddBaudOption(CLI::App& command, unsigned& baud) {
  return command.add_option("-b,--baud", baud, "Line rate")
      ->capture_default_str()
      ->check(CLI::IsMember({1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u,
                             460800u, 921600u}));
}

void AddOutputOptions(CLI::App& command, OutputOptions& output) {
  auto* quiet = command.add_flag("-q,--quiet", output.quiet, "Print only errors and the result");
  command
      .add_flag("--json", output.json,
                "Print one JSON object per line and event (phase, progress, warning, error, file, "
                "result), for scripts")
      ->excludes(quiet);
}

void AddLogOptions(CLI::App& command, OutputOptions& output) {
  auto* log = command.add_option("--log", output.log_path, "Write the line's traffic to this file")
                  ->capture_default_str();
  command.add_flag("--no-log", output.no_log, "Write no traffic log")->excludes(log);
}

void AddExitStatusFooter(CLI::App& command) {
  command.footer(ExitStatusHelp());
}

}  // namespace cli
