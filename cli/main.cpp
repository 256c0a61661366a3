// tarvo-cli: programs a module and sends module commands from a terminal.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/common_options.h"
#include "cli/erase_command.h"
#include "cli/info_command.h"
#include "cli/module_command.h"
#include "cli/parallel_program.h"
#include "cli/part_files.h"
#include "cli/parts_command.h"
#include "cli/port_list.h"
#include "cli/ports_command.h"
#include "cli/program_command.h"
#include "cli/read_command.h"
#include "cli/record/record_command.h"
#include "cli/run_command.h"
#include "cli/run_outcome.h"
#include "cli/station_command.h"
#include "cli/unknown_words.h"
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
  CLI::App* program_cmd = cli::AddProgramCommand(app, program);

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

  cli::RecordShowOptions record_show;
  auto* record_cmd = cli::AddRecordCommand(app, record_show);

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
  if (record_cmd->parsed()) return cli::RunRecordShow(record_show);
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
    if (program.ports.empty() && program.ports_file.empty()) {
      // As the parser says it for every other command.
      app.exit(CLI::RequiredError("--port"));
      return cli::kExitUsage;
    }
    return cli::RunProgram(program);
  }
  if (station_cmd->parsed()) return cli::RunStationCommand(station);
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
