#pragma once

#include <cstdint>
#include <string>

#include "cli/link_options.h"

namespace CLI {
class App;
}

namespace cli {

struct ReadOptions {
  LinkOptions link;
  std::string out;
  std::uint32_t address = 0;
  std::uint32_t length = 0;  // 0: up to the end of the flash
};

CLI::App* AddReadCommand(CLI::App& app, ReadOptions& options);

// tarvo-cli read: the part's flash (or a stretch of it) into a raw binary
// file, or an Intel HEX file when its name ends in .hex.
int RunRead(const ReadOptions& options);

}  // namespace cli
