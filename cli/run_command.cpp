#include "cli/run_command.h"

#include <CLI/CLI.hpp>

#include "cli/boot_session.h"

namespace cli {

CLI::App* AddRunCommand(CLI::App& app, RunOptions& options) {
  CLI::App* command = app.add_subcommand(
      "run",
      "Start the firmware of a part that waits in its boot loader (after info, read, verify or "
      "erase), as the last step of program does. Writes nothing to the flash.");
  AddLinkOptionsWithoutRun(*command, options.link);
  return command;
}

int RunFirmware(const RunOptions& options) {
  RunOptions started = options;
  started.link.run_firmware = true;
  BootSession session(started.link);
  int status = 0;
  if (!session.Start(status)) return status;
  return session.Finish(std::nullopt);
}

}  // namespace cli
