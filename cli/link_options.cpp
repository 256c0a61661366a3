#include "cli/link_options.h"

#include <CLI/CLI.hpp>
#include <vector>

#include "isp/reset_lines.h"

namespace cli {

const char* PortHelp() {
#ifdef _WIN32
  return "Serial port, e.g. COM5";
#else
  return "Serial device, e.g. /dev/ttyUSB0";
#endif
}

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

void AddLinkOptions(CLI::App& command, LinkOptions& options) {
  command.add_option("--port", options.port, PortHelp())->required();
  command.add_option("--baud", options.baud, "Line rate (default 115200)")
      ->check(CLI::IsMember({1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u,
                             460800u, 921600u}));
  command
      .add_option("--crystal-khz", options.crystal_khz, "The part's crystal in kHz (default 12000)")
      ->check(CLI::Range(1u, 1000000u));
  command.add_flag("!--no-start-isp", options.start_isp,
                   "Do not ask the module's firmware to enter its boot loader first");
  AddIspLinesOption(command, options.isp_lines);
}

}  // namespace cli
