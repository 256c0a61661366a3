#include "cli/parts_command.h"

#include <CLI/CLI.hpp>

#include "cli/part_files.h"
#include "cli/run_outcome.h"
#include "isp/part_table.h"

namespace cli {
namespace {

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string Size(std::uint32_t bytes) {
  return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB" : std::to_string(bytes) + " B";
}

// "16 x 4 KiB + 14 x 32 KiB"
std::string Sectors(const isp::PartInfo& part) {
  std::string text;
  for (const isp::SectorRun& run : part.sectors) {
    if (!text.empty()) text += " + ";
    text += std::to_string(run.count) + " x " + Size(run.size);
  }
  return text;
}

}  // namespace

CLI::App* AddPartsCommand(CLI::App& app, PartsOptions& options) {
  auto* sub = app.add_subcommand(
      "parts",
      "List the parts this program knows, one per line, and where each row came from: built in, "
      "or the part file and line (the user's part file, then --parts).");
  sub->add_option("--parts", options.parts_file, "A part file that adds or overrides parts");
  return sub;
}

std::string PartsTable() {
  constexpr const char* kRow = "%-14s %-10s %7s  %-24s %6s  %-22s %5s %-3s %-9s %-11s %s\n";
  char row[512];
  std::snprintf(row, sizeof row, kRow, "name", "id", "flash", "sectors", "RAM", "W range", "copy",
                "ECC", "boot ROM", "R in window", "from");
  std::string text = row;
  for (const isp::PartInfo& part : isp::KnownParts()) {
    const isp::PartOrigin origin = isp::OriginOf(part);
    const std::string from =
        origin.file.empty() ? "built in" : origin.file + ":" + std::to_string(origin.line);
    const std::string range = Hex32(part.ram_buffer_start) + ".." + Hex32(part.ram_buffer_end);
    std::snprintf(row, sizeof row, kRow, part.name, Hex32(part.id).c_str(),
                  Size(part.flash_size).c_str(), Sectors(part).c_str(), Size(part.ram_size).c_str(),
                  range.c_str(), std::to_string(part.largest_copy).c_str(),
                  part.ecc_lines ? "yes" : "no",
                  (std::to_string(part.boot_rom_window) + " B").c_str(),
                  part.read_sees_flash ? "flash" : "boot ROM", from.c_str());
    text += row;
  }
  return text;
}

int RunParts(const PartsOptions& options) {
  std::string error;
  if (!LoadPartFiles(options.parts_file, error)) {
    std::fprintf(stderr, "Error: %s\n", error.c_str());
    return kExitNotStarted;
  }
  std::fputs(PartsTable().c_str(), stdout);
  return 0;
}

}  // namespace cli
