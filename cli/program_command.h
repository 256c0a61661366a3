#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/link_options.h"
#include "cli/run_outcome.h"

namespace CLI {
class App;
}

namespace cli {

// program's options: the link's (link.run_firmware is on unless --no-run),
// then the image and how it is written.
struct ProgramOptions {
  ProgramOptions() { link.run_firmware = true; }

  LinkOptions link;
  std::string file;
  // The command line's own path; --classic runs the window's dialogue.
  bool classic = false;
  bool erase_all = false;
  bool verify = true;
  // "ram": M compares the flash with the RAM buffer after each copy;
  // "read": R reads every written byte back and compares it with the file.
  std::string verify_mode = "ram";
  bool allow_lock = false;
  std::uint32_t address = 0;  // where a raw binary (.bin) begins
  bool address_given = false;
  std::string address_text;  // --address as typed
  bool allow_partial_sector_0 = false;
  std::string record;  // the record file (.jsonl or .db) the run is added to; empty: none
  // Every -p/--port, and --ports-file: more than one port programs them all
  // at once; the first alone is link.port.
  std::vector<std::string> ports;
  std::string ports_file;
};

// The options that only the command line's own path takes exclude --classic.
CLI::App* AddProgramCommand(CLI::App& app, ProgramOptions& options);

// tarvo-cli program: the command line's own path, or with --classic the
// window's dialogue; on several ports, all of them at once.
int RunProgram(const ProgramOptions& options);

}  // namespace cli
