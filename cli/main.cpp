// tarvo-cli: programs a module and sends module commands from a terminal.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/common_options.h"
#include "cli/erase_command.h"
#include "cli/info_command.h"
#include "cli/link_options.h"
#include "cli/module_command.h"
#include "cli/parallel_program.h"
#include "cli/part_files.h"
#include "cli/parts_command.h"
#include "cli/port_list.h"
#include "cli/ports_command.h"
#include "cli/program_command.h"
#include "cli/read_command.h"
#include "cli/run_command.h"
#include "cli/run_outcome.h"
#include "cli/station_command.h"
#include "cli/unknown_words.h"
#include "cli/verified_program.h"
#include "cli/verify_command.h"

namespace {

constexpr const char* kModuleNote =
    " It talks to the module's own firmware over its serial line, not to the boot loader.";

struct ModuleCmd {
  const char* name;
  const char* old_name;  // the top-level name it had, now refused naming this one
  const char* help;
  comm::ModuleCommand command;
};

constexpr ModuleCmd kModuleCmds[] = {
    {"reset", "reset", "Restart the module (sends \"*\").", comm::ModuleCommand::kReset},
    {"erase-data", "erase-all",
     "Erase the data the module's firmware keeps (sends \"EA=1\"; exit 1 without its echo).",
     comm::ModuleCommand::kDataEraseAll},
    {"config-reset", "config-reset",
     "Reset the module's configuration (sends \"CR\"; exit 1 without its echo).",
     comm::ModuleCommand::kConfigReset},
};

// One module command's options, under "module".
CLI::App* AddModuleCommand(CLI::App& parent, const char* name, const ModuleCmd& cmd,
                           cli::ModuleOptions& options) {
  auto* sub = parent.add_subcommand(name, std::string(cmd.help) + kModuleNote);
  cli::AddPortOption(*sub, options.port);
  cli::AddOutputOptions(*sub, options.output);
  // A module command writes a traffic log only where --log says.
  options.output.log_path.clear();
  cli::AddLogOptions(*sub, options.output);
  cli::AddExitStatusFooter(*sub);
  return sub;
}

}  // namespace

int main(int argc, char** argv) {
  // Named, so that messages say "tarvo-cli" rather than the path it was started by.
  CLI::App app{"Tarvo Loader: programs the flash of an LPC module over its serial ISP boot loader.",
               "tarvo-cli"};
  app.require_subcommand(1);
  // Options are "--name" everywhere: on Windows a file path such as
  // "/data/app.hex" must stay an argument (CLI11 takes "/x" for an option there).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "tarvo-cli 0.1.0");
  // The man page is made from this.
  app.set_help_all_flag("--help-all", "Print the help of every command and exit");
  cli::AddExitStatusFooter(app);

  cli::ProgramOptions program;
  auto* program_cmd = app.add_subcommand(
      "program", "Program an Intel HEX file, or a raw binary (.bin), into the module's flash.");
  // One port, or several programmed at once.
  std::vector<std::string> program_ports;
  std::string program_ports_file;
  program_cmd
      ->add_option("-p,--port", program_ports,
                   "Serial port (default: $TARVO_PORT); give it again for each further port, "
                   "all programmed at once")
      ->envname("TARVO_PORT")
      // One port each time, so that the file after it stays the file.
      ->allow_extra_args(false);
  auto* ports_file = program_cmd->add_option(
      "--ports-file", program_ports_file,
      "A file that names ports to program at once, one a line (\"#\" begins a comment)");
  // Flags that switch a default off, without CLI11's "{false}" in the help.
  const auto off_flag = [program_cmd](const char* name, bool& value, const char* help) {
    return program_cmd->add_flag_callback(
        name, [&value] { value = false; }, help);
  };
  off_flag("--no-start-isp", program.start_isp,
           "Do not ask the module's firmware to enter its boot loader first");
  program_cmd->add_option("FILE", program.file, "Intel HEX file, or raw binary (.bin)")->required();
  auto* classic = program_cmd->add_flag(
      "--classic", program.classic,
      "Run the window's dialogue instead (LPC1227, 64 KiB, 115200 baud, no verify)");
  std::vector<CLI::Option*> own_path = {
      cli::AddBaudOption(*program_cmd, program.baud),
      program_cmd->add_option("--crystal-khz", program.crystal_khz, "The part's crystal in kHz")
          ->capture_default_str()
          ->check(CLI::Range(1u, 1000000u)),
      program_cmd->add_flag("--erase-all", program.erase_all,
                            "Erase every sector, not only those the image touches"),
      off_flag("--no-verify", program.verify,
               "Do not compare the flash with the image after writing"),
      program_cmd
          ->add_option("--verify", program.verify_mode,
                       "ram: M compares each copy with what the part received (default); read: "
                       "read every written byte back and compare it with the file")
          ->check(CLI::IsMember({"ram", "read"})),
      off_flag("--no-run", program.run,
               "Leave the part in its boot loader instead of starting the image"),
      program_cmd->add_flag("--allow-lock", program.allow_lock,
                            "Program an image that sets CRP3 or NO_ISP (locks the part)"),
      program_cmd
          ->add_option("--address", program.address,
                       "Where a raw binary (.bin) begins in the flash (default 0)")
          ->each([&program](const std::string& text) {
            program.address_given = true;
            program.address_text = text;
          }),
      program_cmd->add_flag("--allow-partial-sector-0", program.allow_partial_sector_0,
                            "Program an image that begins inside sector 0 but not at 0 (it "
                            "erases sector 0 and leaves no valid user code)"),
  };
  own_path.push_back(cli::AddIspLinesOption(*program_cmd, program.isp_lines));
  own_path.push_back(ports_file);
  for (CLI::Option* option : own_path) option->excludes(classic);
  cli::AddOutputOptions(*program_cmd, program.output);
  cli::AddLogOptions(*program_cmd, program.output);
  cli::AddExitStatusFooter(*program_cmd);

  // The boot loader's own commands.
  cli::InfoOptions info;
  CLI::App* info_cmd = cli::AddInfoCommand(app, info);
  cli::ReadOptions read;
  CLI::App* read_cmd = cli::AddReadCommand(app, read);
  cli::EraseOptions erase;
  CLI::App* erase_cmd = cli::AddEraseCommand(app, erase);
  cli::VerifyOptions verify;
  CLI::App* verify_cmd = cli::AddVerifyCommand(app, verify);
  cli::RunOptions run;
  CLI::App* run_cmd = cli::AddRunCommand(app, run);
  cli::StationOptions station;
  CLI::App* station_cmd = cli::AddStationCommand(app, station);

  auto* module_cmd = app.add_subcommand(
      "module", "Commands to the module's own firmware (not to the boot loader).");
  module_cmd->require_subcommand(1);
  cli::AddExitStatusFooter(*module_cmd);
  const std::size_t module_count = std::size(kModuleCmds);
  std::vector<cli::ModuleOptions> module_options(module_count);
  std::vector<CLI::App*> module_apps;
  // The names they had before "module" are refused: "erase-all" was one
  // keystroke from "erase --all", which erases the flash instead.
  std::vector<cli::RetiredCommand> retired;
  for (std::size_t i = 0; i < module_count; ++i) {
    module_options[i].command = kModuleCmds[i].command;
    module_apps.push_back(
        AddModuleCommand(*module_cmd, kModuleCmds[i].name, kModuleCmds[i], module_options[i]));
    retired.push_back({kModuleCmds[i].old_name, std::string("module ") + kModuleCmds[i].name});
  }

  // Every command that meets a part takes a part file of the user's own.
  std::string parts_file;
  for (CLI::App* sub :
       {program_cmd, info_cmd, read_cmd, erase_cmd, verify_cmd, run_cmd, station_cmd}) {
    sub->add_option("--parts", parts_file,
                    "A part file (JSON) that adds or overrides parts, after the user's own");
  }
  cli::PartsOptions parts;
  auto* parts_cmd = cli::AddPartsCommand(app, parts);

  cli::PortsOptions ports;
  auto* ports_cmd = app.add_subcommand(
      "ports",
      "List the serial ports that open, one per line: port, friendly name and the bus it was "
      "found on, each separated by three spaces, then vendor:product for a USB adapter. Exit "
      "status 1 when discovery fails.");
  ports_cmd->add_flag("--all", ports.all, "List every port found, without opening it");
  ports_cmd->add_flag("--json", ports.json, "One JSON object per port and line");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp&) {
    // Every command with its options (the man page is made from this): the
    // module's commands too, which the parser shows by name only.
    std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stdout);
    for (const CLI::App* sub : module_apps) {
      std::printf("\nmodule %s", sub->help("", CLI::AppFormatMode::Sub).c_str());
    }
    std::printf("\n");
    return cli::kExitComplete;
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // A mistyped word is named, rather than what its absence left missing
    // ("--port is required" for "--prot").
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto text = cli::UnknownWordText(app, args, retired)) {
      std::fprintf(stderr, "%s\nRun with --help for more information.\n", text->c_str());
      return cli::kExitUsage;
    }
    app.exit(e);
    return cli::kExitUsage;
  }

  if (parts_cmd->parsed()) return cli::RunParts(parts);
  // The part files are read before any port opens: a bad one ends the run.
  for (CLI::App* sub :
       {program_cmd, info_cmd, read_cmd, erase_cmd, verify_cmd, run_cmd, station_cmd}) {
    if (!sub->parsed()) continue;
    std::string error;
    if (!cli::LoadPartFiles(parts_file, error)) {
      std::fprintf(stderr, "Error: %s\n", error.c_str());
      return cli::kExitNotStarted;
    }
  }
  if (program_cmd->parsed()) {
    if (program_ports.empty() && program_ports_file.empty()) {
      // As the parser says it for every other command.
      app.exit(CLI::RequiredError("--port"));
      return cli::kExitUsage;
    }
    if (program_ports.size() == 1 && program_ports_file.empty()) {
      program.port = program_ports.front();
      return program.classic ? cli::RunProgram(program) : cli::RunVerifiedProgram(program);
    }
    if (program.classic) {
      std::fprintf(stderr, "Error: --classic programs one port: give --port once\n");
      return cli::kExitUsage;
    }
    if (!program_ports_file.empty()) {
      std::string why;
      const auto listed = cli::ReadPortsFile(program_ports_file, why);
      if (!listed) {
        std::fprintf(stderr, "Error: %s: %s\n", program_ports_file.c_str(), why.c_str());
        return cli::kExitNotStarted;
      }
      program_ports.insert(program_ports.end(), listed->begin(), listed->end());
    }
    return cli::RunParallelProgram(program, program_ports, {});
  }
  if (station_cmd->parsed()) return cli::RunStationCommand(station, {});
  if (ports_cmd->parsed()) return cli::RunPorts(ports);
  if (info_cmd->parsed()) return cli::RunInfo(info);
  if (read_cmd->parsed()) return cli::RunRead(read);
  if (erase_cmd->parsed()) return cli::RunErase(erase);
  if (verify_cmd->parsed()) return cli::RunVerify(verify);
  if (run_cmd->parsed()) return cli::RunFirmware(run);
  for (std::size_t i = 0; i < module_apps.size(); ++i) {
    if (module_apps[i]->parsed()) return cli::RunModuleCommand(module_options[i]);
  }
  return cli::kExitUsage;
}
