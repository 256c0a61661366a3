#include "cli/read_command.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>

#include "cli/boot_session.h"
#include "cli/file_collisions.h"
#include "cli/program_command.h"
#include "cli/shown_name.h"
#include "isp/flash_read.h"
#include "isp/hex_text.h"
#include "isp/image_file.h"
#include "isp/replacement_file.h"
#include "isp/run_log.h"

namespace cli {
namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

CLI::App* AddReadCommand(CLI::App& app, ReadOptions& options) {
  CLI::App* command = app.add_subcommand(
      "read",
      "Read the part's flash into a file: raw binary, or Intel HEX when the name ends in .hex.");
  AddLinkOptions(*command, options.link);
  command->add_option("--out", options.out, "The file to write")->required();
  command->add_option("--address", options.address, "First flash address to read (default 0)");
  command
      ->add_option("--length", options.length,
                   "Bytes to read (default: up to the end of the flash)")
      ->check(CLI::Range(1u, 0xFFFFFFFFu));
  return command;
}

int RunRead(const ReadOptions& options) {
  BootSession session(options.link, "read");
  const std::optional<std::string> collision = CollidingFiles({
      {"--out", options.out},
      {"the traffic log", isp::kRunLogName},
  });
  if (collision) {
    session.Display().Error(*collision);
    return kExitUsage;
  }
  // The new file is made before the part is asked anything; the old one
  // stays as it was until the whole read is in the new one.
  std::string why;
  isp::ReplacementFile file;
  if (!file.Open(options.out, why)) {
    session.Display().Error("Cannot write " + ShownName(options.out) + ": " + why);
    return kExitNotStarted;
  }
  int status = 0;
  auto started = std::chrono::steady_clock::now();
  std::vector<std::uint8_t> flash;
  std::optional<isp::Failure> failure;
  if (session.Start(status)) {
    started = std::chrono::steady_clock::now();
    const isp::PartInfo& part = session.Part();
    const std::uint32_t length =
        options.length != 0
            ? options.length
            : (options.address < part.flash_size ? part.flash_size - options.address : 0);
    failure = isp::ReadFlash(session.Client(), session.Display(), part, {{options.address, length}},
                             flash);
  }
  if (status != 0 || failure) {
    file.Abandon();
    return status != 0 ? status : session.Finish(failure);
  }
  const std::string text = isp::WantsIntelHex(options.out)
                               ? isp::IntelHexText(options.address, flash)
                               : std::string(flash.begin(), flash.end());
  const bool whole = file.Write(text.data(), text.size());
  const bool written = file.Commit(why) && whole;
  if (!written) {
    // The old file, if any, is as it was.
    session.Display().Error("Cannot write " + ShownName(options.out) + ": " + why);
    return session.FinishFailed();
  }
  char summary[128];
  std::snprintf(summary, sizeof summary, "%zu bytes in %.1f s into ", flash.size(),
                Seconds(started));
  session.Display().Line("Read", summary + ShownName(options.out));
  return session.Finish(std::nullopt);
}

}  // namespace cli
