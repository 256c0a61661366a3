#include "cli/info_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/boot_session.h"
#include "cli/failure_text.h"

namespace cli {
namespace {

std::string Size(std::uint32_t bytes) {
  return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB"
                           : std::to_string(bytes) + " bytes";
}

// "0-15 x 4 KiB, 16-29 x 32 KiB"
std::string Layout(const isp::PartInfo& part) {
  std::string text;
  unsigned first = 0;
  for (const isp::SectorRun& run : part.sectors) {
    if (!text.empty()) text += ", ";
    const unsigned last = first + run.count - 1;
    text += std::to_string(first) + (last != first ? "-" + std::to_string(last) : "") + " x " +
            Size(run.size);
    first = last + 1;
  }
  return std::to_string(first) + " sectors: " + text;
}

std::string Protection(const isp::PartDetails& details) {
  switch (details.protection) {
    case isp::ProtectionReading::kRead:
      return std::string(isp::ProtectionName(details.level)) + " (word " +
             HexAddress(details.protection_word) + " at 0x2FC)";
    case isp::ProtectionReading::kRefused:
      return "CRP1 or higher (the part refuses to read its flash)";
    case isp::ProtectionReading::kHidden:
      return "not CRP1 or higher (R reads the flash); the word at 0x2FC cannot be read in ISP "
             "mode: the boot ROM hides the lowest " +
             std::to_string(details.part->boot_rom_window) + " bytes while its boot loader runs";
    case isp::ProtectionReading::kUnknown:
      break;
  }
  return "unknown (the part did not say)";
}

}  // namespace

std::vector<std::pair<const char*, std::string>> DetailLines(const isp::PartDetails& details) {
  const isp::PartInfo& part = *details.part;
  std::vector<std::pair<const char*, std::string>> lines;
  lines.emplace_back("Part", part.name);
  lines.emplace_back("Part id", HexAddress(part.id) + " (" + std::to_string(part.id) + ")");
  lines.emplace_back("Flash", Size(part.flash_size));
  lines.emplace_back("RAM", Size(part.ram_size));
  lines.emplace_back("Sectors", Layout(part));
  lines.emplace_back("Boot code", details.boot_code
                                      ? std::to_string((*details.boot_code)[0]) + "." +
                                            std::to_string((*details.boot_code)[1])
                                      : "unknown (the part did not say)");
  std::string serial = "unknown (the part did not say)";
  if (details.serial) {
    serial.clear();
    for (const std::uint32_t word : *details.serial) {
      if (!serial.empty()) serial += " ";
      serial += HexAddress(word);
    }
  }
  lines.emplace_back("Serial number", serial);
  lines.emplace_back("Protection", Protection(details));
  return lines;
}

CLI::App* AddInfoCommand(CLI::App& app, InfoOptions& options) {
  CLI::App* command = app.add_subcommand(
      "info",
      "Show the attached part: name, id, flash and RAM, sectors, boot code version, serial "
      "number and code read protection. Writes nothing.");
  AddLinkOptions(*command, options.link);
  // info makes no long transfer: a faster line would only cost its switch.
  command->remove_option(command->get_option("--fast-baud"));
  options.link.fast_baud = FastBaud{};
  return command;
}

int RunInfo(const InfoOptions& options) {
  BootSession session(options.link, "info");
  int status = 0;
  if (!session.Start(status)) return status;
  isp::PartDetails details;
  const std::optional<isp::Failure> failure =
      isp::ReadPartDetails(session.Client(), session.Part(), details);
  if (!failure) {
    for (const auto& [label, text] : DetailLines(details)) session.Display().Line(label, text);
  }
  return session.Finish(failure);
}

}  // namespace cli
