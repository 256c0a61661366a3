#include "cli/erase_command.h"

#include <CLI/CLI.hpp>

#include "cli/boot_session.h"
#include "cli/sector_range.h"
#include "isp/verified/sector_erase.h"

namespace cli {

CLI::App* AddEraseCommand(CLI::App& app, EraseOptions& options) {
  CLI::App* command = app.add_subcommand(
      "erase", "Erase the part's flash through its boot loader and check that it reads blank.");
  AddLinkOptions(*command, options.link);
  // Exactly one of them: an erase never happens by default.
  CLI::Option_group* what = command->add_option_group("What to erase");
  what->add_flag("--all", options.all, "Erase every sector");
  what->add_option("--sectors", options.sectors, "Erase the sectors A to B (e.g. 2-5, or 3)")
      ->check(
          [](const std::string& text) {
            return ParseSectorRange(text) ? std::string()
                                          : "a sector range is A-B with A <= B, or one sector";
          },
          "A-B");
  what->require_option(1);
  return command;
}

int RunErase(const EraseOptions& options) {
  BootSession session(options.link, "erase");
  int status = 0;
  if (!session.Start(status)) return status;
  const std::optional<isp::SectorSpan> span =
      options.all ? std::nullopt : ParseSectorRange(options.sectors);
  return session.Finish(
      isp::EraseSectors(session.Client(), session.Display(), session.Part(), span));
}

}  // namespace cli
