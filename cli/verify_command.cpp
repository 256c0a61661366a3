#include "cli/verify_command.h"

#include <CLI/CLI.hpp>

#include "cli/boot_session.h"
#include "cli/failure_text.h"
#include "cli/shown_name.h"
#include "isp/run_log.h"
#include "isp/verified/flash_verify.h"

namespace cli {

CLI::App* AddVerifyCommand(CLI::App& app, VerifyOptions& options) {
  CLI::App* command = app.add_subcommand(
      "verify",
      "Compare the part's flash with a file (Intel HEX, or raw binary for .bin); "
      "writes nothing. Exit status 1 when they differ.");
  AddLinkOptions(*command, options.link);
  command->add_option("FILE", options.image.file, "Intel HEX file, or raw binary (.bin)")
      ->required();
  command
      ->add_option("--address", options.image.address,
                   "Where a raw binary (.bin) begins in the flash (default 0)")
      ->each([&options](const std::string&) { options.image.address_given = true; });
  return command;
}

int RunVerify(const VerifyOptions& options) {
  BootSession session(options.link, "verify");
  int status = 0;
  if (!session.FilesApart({{"the image", options.image.file, false}}, status)) return status;
  isp::FlashImage image;
  std::string error;
  bool no_vector_table = false;
  if (!LoadImageArgument(options.image, image, error, no_vector_table)) {
    session.Display().Error(error);
    return session.NotStarted();
  }
  if (!session.Start(status)) return status;
  isp::FlashComparison comparison;
  const std::optional<isp::Failure> failure =
      isp::VerifyFlash(session.Client(), session.Display(), session.Part(), image, comparison);
  if (failure || comparison.Equal()) return session.Finish(failure, options.image.file);
  session.Display().Error(
      "The flash differs from " + ShownName(options.image.file) + ": " +
      std::to_string(comparison.differing) + " of " + std::to_string(comparison.compared) +
      " bytes differ, the first at " + HexAddress(comparison.first_difference.value_or(0)) +
      (comparison.not_compared > 0
           ? "; " + std::to_string(comparison.not_compared) + " bytes of the file below " +
                 HexAddress(session.Part().boot_rom_window) +
                 " not compared: the boot ROM hides them from R on this part"
           : std::string()));
  return session.FinishFailed();
}

}  // namespace cli
