#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/output_options.h"

namespace cli {

// The options every subcommand that talks to a port shares, so that each
// names them alike: -p/--port (TARVO_PORT when not given) and -b/--baud.
CLI::Option* AddPortOption(CLI::App& command, std::string& port);
CLI::Option* AddBaudOption(CLI::App& command, unsigned& baud);

// --quiet and --json, for every command that reports.
void AddOutputOptions(CLI::App& command, OutputOptions& output);
// --log PATH and --no-log, for the commands that write a traffic log.
void AddLogOptions(CLI::App& command, OutputOptions& output);

// The exit statuses below every command's --help.
void AddExitStatusFooter(CLI::App& command);

}  // namespace cli
