#pragma once

#include <string>

#include "cli/link_options.h"

namespace CLI {
class App;
}

namespace cli {

struct EraseOptions {
  LinkOptions link;
  bool all = false;
  std::string sectors;  // "A-B"; empty with all
};

CLI::App* AddEraseCommand(CLI::App& app, EraseOptions& options);

// tarvo-cli erase: the boot loader's erase of every sector, or of a range,
// each blank checked afterwards.
int RunErase(const EraseOptions& options);

}  // namespace cli
