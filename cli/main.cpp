// tarvo-cli: programs a module and sends module commands from a terminal.
#include <CLI/CLI.hpp>

#include "cli/module_command.h"
#include "cli/port_argument.h"
#include "cli/ports_command.h"
#include "cli/program_command.h"

namespace {

constexpr int kExitUsage = 64;

#ifdef _WIN32
constexpr const char* kPortHelp = "Serial port, e.g. COM5";
#else
constexpr const char* kPortHelp = "Serial device, e.g. /dev/ttyUSB0";
#endif

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Tarvo Loader: programs the flash of an LPC module over its serial ISP boot loader."};
  app.require_subcommand(1);
  // Options are "--name" everywhere: on Windows a file path such as
  // "/data/app.hex" must stay an argument (CLI11 takes "/x" for an option there).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "tarvo-cli 0.1.0");

  cli::ProgramOptions program;
  auto* program_cmd =
      app.add_subcommand("program", "Program an Intel HEX file into the module's flash.");
  program_cmd->add_option("--port", program.port, kPortHelp)->required();
  program_cmd->add_flag("!--no-start-isp", program.start_isp,
                        "Do not ask the module's firmware to enter its boot loader first");
  program_cmd->add_option("FILE", program.file, "Intel HEX file")->required();

  struct ModuleCmd {
    const char* name;
    const char* help;
    comm::ModuleCommand command;
    std::string port;
  };
  ModuleCmd module_cmds[] = {
      {"reset", "Reset the module (sends \"*\").", comm::ModuleCommand::kReset, {}},
      {"erase-all",
       "Erase the module's data (sends \"EA=1\").",
       comm::ModuleCommand::kDataEraseAll,
       {}},
      {"config-reset",
       "Reset the module's configuration (sends \"CR\").",
       comm::ModuleCommand::kConfigReset,
       {}},
  };
  std::vector<CLI::App*> module_apps;
  for (auto& cmd : module_cmds) {
    auto* sub = app.add_subcommand(cmd.name, cmd.help);
    sub->add_option("--port", cmd.port, kPortHelp)->required();
    module_apps.push_back(sub);
  }

  bool all_ports = false;
  auto* ports_cmd = app.add_subcommand(
      "ports",
      "List the serial ports that open, one per line: port, friendly name and the bus it was "
      "found on, each separated by three spaces. Exit status 1 when discovery fails.");
  ports_cmd->add_flag("--all", all_ports, "List every port found, without opening it");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }

  if (program_cmd->parsed()) {
    program.port = cli::PortArgumentPath(program.port);
    return cli::RunProgram(program);
  }
  if (ports_cmd->parsed()) return cli::RunPorts(all_ports);
  for (std::size_t i = 0; i < module_apps.size(); ++i) {
    if (module_apps[i]->parsed())
      return cli::RunModuleCommand(cli::PortArgumentPath(module_cmds[i].port),
                                   module_cmds[i].command);
  }
  return kExitUsage;
}
