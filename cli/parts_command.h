#pragma once

#include <cstdio>
#include <string>

namespace CLI {
class App;
}

namespace cli {

struct PartsOptions {
  std::string parts_file;  // --parts
};

// "parts": every part of the table, one per line, and where its row came
// from (built in, or file:line).
CLI::App* AddPartsCommand(CLI::App& app, PartsOptions& options);

// The table of the known parts as "parts" prints it.
std::string PartsTable();

// Loads the part files and prints the table; exit 2 when a part file is
// refused.
int RunParts(const PartsOptions& options);

}  // namespace cli
