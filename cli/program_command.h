#pragma once

#include <cstdint>
#include <string>

#include "cli/output_options.h"
#include "cli/run_outcome.h"

namespace cli {

struct ProgramOptions {
  std::string port;
  std::string file;
  bool start_isp = true;
  // The command line's own path; --classic runs the window's dialogue.
  bool classic = false;
  unsigned baud = 115200;
  unsigned crystal_khz = 12000;
  bool erase_all = false;
  bool verify = true;
  // "ram": M compares the flash with the RAM buffer after each copy;
  // "read": R reads every written byte back and compares it with the file.
  std::string verify_mode = "ram";
  bool run = true;
  bool allow_lock = false;
  std::uint32_t address = 0;  // where a raw binary (.bin) begins
  bool address_given = false;
  std::string address_text;  // --address as typed
  bool allow_partial_sector_0 = false;
  std::string isp_lines;  // the wiring of the adapter's lines; empty: none
  std::string record;     // the record file (.jsonl or .db) the run is added to; empty: none
  OutputOptions output;
};

// One programming run from the terminal: the window's run, tick for tick
// (program --classic).
int RunProgram(const ProgramOptions& options);

}  // namespace cli
