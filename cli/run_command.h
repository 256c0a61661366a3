#pragma once

#include "cli/link_options.h"

namespace CLI {
class App;
}

namespace cli {

struct RunOptions {
  LinkOptions link;
};

CLI::App* AddRunCommand(CLI::App& app, RunOptions& options);

// tarvo-cli run: starts the firmware of a part that waits in its boot
// loader, as the last step of program does.
int RunFirmware(const RunOptions& options);

}  // namespace cli
