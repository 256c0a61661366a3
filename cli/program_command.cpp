#include "cli/program_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <vector>

#include "cli/classic_program.h"
#include "cli/common_options.h"
#include "cli/parallel_program.h"
#include "cli/port_argument.h"
#include "cli/port_list.h"
#include "cli/record/record_file.h"
#include "cli/verified_program.h"

namespace cli {

CLI::App* AddProgramCommand(CLI::App& app, ProgramOptions& options) {
  CLI::App* command = app.add_subcommand(
      "program", "Program an Intel HEX file, or a raw binary (.bin), into the module's flash.");
  LinkOptions& link = options.link;
  // One port, or several programmed at once.
  command
      ->add_option("-p,--port", options.ports,
                   std::string(PortOptionHelp()) +
                       "; give it again for each further port, all programmed "
                       "at once")
      ->envname("TARVO_PORT")
      // One port each time, so that the file after it stays the file.
      ->allow_extra_args(false);
  CLI::Option* ports_file = command->add_option(
      "--ports-file", options.ports_file,
      "A file that names ports to program at once, one a line (\"#\" begins a comment)");
  // Flags that switch a default off, without CLI11's "{false}" in the help.
  const auto off_flag = [command](const char* name, bool& value, const char* help) {
    return command->add_flag_callback(
        name, [&value] { value = false; }, help);
  };
  AddNoStartIspOption(*command, link.start_isp);
  command->add_option("FILE", options.file, "Intel HEX file, or raw binary (.bin)")->required();
  CLI::Option* classic = command->add_flag(
      "--classic", options.classic,
      "Run the window's dialogue instead (LPC1227, 64 KiB, 115200 baud, no verify)");
  const std::vector<CLI::Option*> own_path = {
      AddBaudOption(*command, link.baud),
      AddCrystalOption(*command, link.crystal_khz),
      command->add_flag("--erase-all", options.erase_all,
                        "Erase every sector, not only those the image touches"),
      off_flag("--no-verify", options.verify,
               "Do not compare the flash with the image after writing"),
      command
          ->add_option("--verify", options.verify_mode,
                       "ram: M compares each copy with what the part received (default); read: "
                       "read every written byte back and compare it with the file")
          ->check(CLI::IsMember({"ram", "read"})),
      off_flag("--no-run", link.run_firmware,
               "Leave the part in its boot loader instead of starting the image"),
      command->add_flag("--allow-lock", options.allow_lock,
                        "Program an image that sets CRP3 or NO_ISP (locks the part)"),
      command
          ->add_option("--address", options.address,
                       "Where a raw binary (.bin) begins in the flash (default 0)")
          ->each([&options](const std::string& text) {
            options.address_given = true;
            options.address_text = text;
          }),
      command->add_flag("--allow-partial-sector-0", options.allow_partial_sector_0,
                        "Program an image that begins inside sector 0 but not at 0 (it "
                        "erases sector 0 and leaves no valid user code)"),
      AddIspLinesOption(*command, link.isp_lines),
      AddFastBaudOption(*command, link.fast_baud),
      ports_file,
      command
          ->add_option("--record", options.record,
                       "Add the run's record (time, host, port, part and its serial number, "
                       "image SHA-256, result) to this file: .jsonl (JSON lines) or .db (SQLite)")
          ->check([](const std::string& file) { return RecordNameRefusal(file).value_or(""); }),
  };
  for (CLI::Option* option : own_path) option->excludes(classic);
  AddOutputOptions(*command, link.output);
  AddLogOptions(*command, link.output);
  AddExitStatusFooter(*command);
  return command;
}

int RunProgram(const ProgramOptions& given) {
  ProgramOptions options = given;
  if (options.ports.size() == 1 && options.ports_file.empty()) {
    options.link.port = options.ports.front();
    return options.classic ? RunClassicProgram(options) : RunVerifiedProgram(options);
  }
  if (options.classic) {
    std::fprintf(stderr, "Error: --classic programs one port: give --port once\n");
    return kExitUsage;
  }
  if (!options.ports_file.empty()) {
    std::string why;
    const auto listed = ReadPortsFile(options.ports_file, why);
    if (!listed) {
      std::fprintf(stderr, "Error: %s: %s\n", options.ports_file.c_str(), why.c_str());
      return kExitNotStarted;
    }
    options.ports.insert(options.ports.end(), listed->begin(), listed->end());
  }
  return RunParallelProgram(options, options.ports);
}

}  // namespace cli
