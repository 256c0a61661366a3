#include "cli/link_options.h"

#include <CLI/CLI.hpp>
#include <vector>

#include "cli/common_options.h"
#include "isp/verified/reset_lines.h"

namespace cli {

CLI::Option* AddIspLinesOption(CLI::App& command, std::string& wiring) {
  std::vector<std::string> names;
  for (const isp::NamedWiring& known : isp::KnownWirings()) names.emplace_back(known.name);
  return command
      .add_option("--isp-lines", wiring,
                  "Reset the part into its boot loader with the adapter's lines, and at the "
                  "end into its firmware: dtr-reset-rts-isp means DTR drives RESET and RTS "
                  "the ISP pin, active when asserted (-inverted: when released)")
      ->check(CLI::IsMember(names));
}

CLI::Option* AddCrystalOption(CLI::App& command, unsigned& crystal_khz) {
  return command.add_option("--crystal-khz", crystal_khz, "The part's crystal in kHz")
      ->capture_default_str()
      ->check(CLI::Range(1u, 1000000u));
}

CLI::Option* AddNoStartIspOption(CLI::App& command, bool& start_isp) {
  return command.add_flag_callback(
      "--no-start-isp", [&start_isp] { start_isp = false; },
      "Do not ask the module's firmware to enter its boot loader first");
}

void AddLinkOptions(CLI::App& command, LinkOptions& options) {
  AddLinkOptionsWithoutRun(command, options);
  AddFastBaudOption(command, options.fast_baud);
  command.add_flag("--run", options.run_firmware,
                   "At the end, start the part's firmware (without --isp-lines: by the "
                   "restart routine, as program does)");
}

void AddLinkOptionsWithoutRun(CLI::App& command, LinkOptions& options) {
  AddPortOption(command, options.port);
  AddBaudOption(command, options.baud);
  AddCrystalOption(command, options.crystal_khz);
  AddNoStartIspOption(command, options.start_isp);
  AddIspLinesOption(command, options.isp_lines);
  AddOutputOptions(command, options.output);
  AddLogOptions(command, options.output);
  AddExitStatusFooter(command);
}

}  // namespace cli
