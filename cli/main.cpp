// tarvo-cli: programs a module and sends module commands from a terminal.
#include <CLI/CLI.hpp>

#include "cli/erase_command.h"
#include "cli/info_command.h"
#include "cli/link_options.h"
#include "cli/module_command.h"
#include "cli/ports_command.h"
#include "cli/program_command.h"
#include "cli/read_command.h"
#include "cli/verified_program.h"
#include "cli/verify_command.h"

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
  // The man page is made from this.
  app.set_help_all_flag("--help-all", "Print the help of every command and exit");

  cli::ProgramOptions program;
  auto* program_cmd = app.add_subcommand(
      "program", "Program an Intel HEX file, or a raw binary (.bin), into the module's flash.");
  program_cmd->add_option("--port", program.port, kPortHelp)->required();
  program_cmd->add_flag("!--no-start-isp", program.start_isp,
                        "Do not ask the module's firmware to enter its boot loader first");
  program_cmd->add_option("FILE", program.file, "Intel HEX file, or raw binary (.bin)")->required();
  auto* classic = program_cmd->add_flag(
      "--classic", program.classic,
      "Run the window's dialogue instead (LPC1227, 64 KiB, 115200 baud, no verify)");
  std::vector<CLI::Option*> own_path = {
      program_cmd->add_option("--baud", program.baud, "Line rate (default 115200)")
          ->check(CLI::IsMember({1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u,
                                 230400u, 460800u, 921600u})),
      program_cmd
          ->add_option("--crystal-khz", program.crystal_khz,
                       "The part's crystal in kHz (default 12000)")
          ->check(CLI::Range(1u, 1000000u)),
      program_cmd->add_flag("--erase-all", program.erase_all,
                            "Erase every sector, not only those the image touches"),
      program_cmd->add_flag("!--no-verify", program.verify,
                            "Do not compare the flash with the image after writing"),
      program_cmd->add_flag("!--no-run", program.run,
                            "Leave the part in its boot loader instead of starting the image"),
      program_cmd->add_flag("--allow-lock", program.allow_lock,
                            "Program an image that sets CRP3 or NO_ISP (locks the part)"),
      program_cmd
          ->add_option("--address", program.address,
                       "Where a raw binary (.bin) begins in the flash (default 0)")
          ->each([&program](const std::string&) { program.address_given = true; }),
  };
  own_path.push_back(cli::AddIspLinesOption(*program_cmd, program.isp_lines));
  for (CLI::Option* option : own_path) option->excludes(classic);

  // The boot loader's own commands.
  cli::InfoOptions info;
  CLI::App* info_cmd = cli::AddInfoCommand(app, info);
  cli::ReadOptions read;
  CLI::App* read_cmd = cli::AddReadCommand(app, read);
  cli::EraseOptions erase;
  CLI::App* erase_cmd = cli::AddEraseCommand(app, erase);
  cli::VerifyOptions verify;
  CLI::App* verify_cmd = cli::AddVerifyCommand(app, verify);

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
    return program.classic ? cli::RunProgram(program) : cli::RunVerifiedProgram(program);
  }
  if (ports_cmd->parsed()) return cli::RunPorts(all_ports);
  if (info_cmd->parsed()) return cli::RunInfo(info);
  if (read_cmd->parsed()) return cli::RunRead(read);
  if (erase_cmd->parsed()) return cli::RunErase(erase);
  if (verify_cmd->parsed()) return cli::RunVerify(verify);
  for (std::size_t i = 0; i < module_apps.size(); ++i) {
    if (module_apps[i]->parsed())
      return cli::RunModuleCommand(module_cmds[i].port, module_cmds[i].command);
  }
  return kExitUsage;
}
