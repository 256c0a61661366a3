#include "cli/read_command.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>

#include "cli/boot_session.h"
#include "cli/failure_text.h"
#include "cli/shown_name.h"
#include "isp/image/hex_text.h"
#include "isp/image/image_file.h"
#include "isp/image/replacement_file.h"
#include "isp/run_log.h"
#include "isp/verified/flash_read.h"

namespace cli {
namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads the range but for the boot ROM's window where R cannot see the
// flash: a .hex file leaves the window out (said in a warning, hidden the
// bytes left out); a raw binary has no gaps, so a read that covers the window
// is refused before anything is read.
std::optional<isp::Failure> ReadOutsideWindow(BootSession& session, const ReadOptions& options,
                                              std::uint32_t length, std::uint32_t& hidden,
                                              std::vector<std::uint8_t>& flash) {
  const isp::PartInfo& part = session.Part();
  const bool in_flash = length <= part.flash_size && options.address <= part.flash_size - length;
  hidden = in_flash ? isp::HiddenFromRead(part, options.address, length) : 0;
  if (hidden > 0 && (hidden == length || !isp::WantsIntelHex(options.out))) {
    isp::Failure failure;
    failure.phase = isp::Phase::kRead;
    failure.reason = isp::FailureReason::kWindowHidden;
    failure.part = &part;
    failure.part_id = part.id;
    failure.address = options.address;
    failure.length = hidden;
    return failure;
  }
  if (hidden > 0) {
    session.Display().Warning(HexAddress(options.address) + " to " +
                              HexAddress(options.address + hidden - 1) + " left out of " +
                              ShownName(options.out) + ": the boot ROM hides the lowest " +
                              std::to_string(part.boot_rom_window) +
                              " bytes of the flash from R while its boot loader "
                              "runs");
  }
  return isp::ReadFlash(session.Client(), session.Display(), part,
                        {{options.address + hidden, length - hidden}}, flash);
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
  int status = 0;
  if (!session.FilesApart({{"--out", options.out}}, status)) return status;
  // The new file is made before the part is asked anything; the old one
  // stays as it was until the whole read is in the new one.
  std::string why;
  isp::ReplacementFile file;
  if (!file.Open(options.out, why)) {
    session.Display().Error("Cannot write " + ShownName(options.out) + ": " + why);
    return session.NotStarted();
  }
  auto started = std::chrono::steady_clock::now();
  std::vector<std::uint8_t> flash;
  std::uint32_t hidden = 0;
  std::optional<isp::Failure> failure;
  if (session.Start(status)) {
    started = std::chrono::steady_clock::now();
    const isp::PartInfo& part = session.Part();
    const std::uint32_t length =
        options.length != 0
            ? options.length
            : (options.address < part.flash_size ? part.flash_size - options.address : 0);
    failure = ReadOutsideWindow(session, options, length, hidden, flash);
  }
  if (status != 0 || failure) {
    file.Abandon();
    return status != 0 ? status : session.Finish(failure);
  }
  const std::string text = isp::WantsIntelHex(options.out)
                               ? isp::IntelHexText(options.address + hidden, flash)
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
