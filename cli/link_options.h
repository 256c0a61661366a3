#pragma once

#include <string>

#include "cli/fast_baud_option.h"
#include "cli/output_options.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace cli {

// How every command that talks to the boot loader reaches it.
struct LinkOptions {
  std::string port;
  unsigned baud = 115200;
  unsigned crystal_khz = 12000;
  bool start_isp = true;      // ask the module's firmware for its boot loader first
  std::string isp_lines;      // the wiring of DTR and RTS to RESET and ISP; empty: none
  bool run_firmware = false;  // start the part's firmware once the work is done
  OutputOptions output;       // --quiet, --json, --log and --no-log, as program takes them
  FastBaud fast_baud;         // off unless the command takes --fast-baud
};

// -p/--port (required; TARVO_PORT), -b/--baud, --fast-baud, --crystal-khz, --no-start-isp,
// --isp-lines and --run on the command, and the output options of program.
void AddLinkOptions(CLI::App& command, LinkOptions& options);

// The same without --run, for the command whose whole work is that start.
void AddLinkOptionsWithoutRun(CLI::App& command, LinkOptions& options);

// The link's options one at a time, for program, which lists them among its
// own (-p/--port and -b/--baud are in common_options.h).
CLI::Option* AddCrystalOption(CLI::App& command, unsigned& crystal_khz);
CLI::Option* AddNoStartIspOption(CLI::App& command, bool& start_isp);
CLI::Option* AddIspLinesOption(CLI::App& command, std::string& wiring);

}  // namespace cli
