#include "sim_options.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>

namespace isp_sim {
namespace {

constexpr std::uint32_t kMaxBaudRate = 4'000'000;

void add_fault_flags(CLI::App& app, FaultSettings& faults) {
  app.add_flag("--silent", faults.silent, "Never answer anything");
  app.add_flag("--silent-after-sync", faults.silent_after_sync,
               "Answer '?' with Synchronized, then nothing ever");
  app.add_flag("--fail-freq", faults.fail_frequency,
               "Echo the crystal frequency line, then answer nothing");
  app.add_flag("--fail-unlock", faults.fail_unlock, "U always answers 16 (INVALID_CODE)");
  app.add_flag("--fail-prepare", faults.fail_prepare, "P answers 11 (BUSY)");
  app.add_flag("--fail-erase", faults.fail_erase, "E answers 11 (BUSY)");
  app.add_flag("--fail-blank-check", faults.fail_blank_check,
               "I answers 8 (SECTOR_NOT_BLANK) with a stuck word");
  app.add_flag("--keep-baud", faults.keep_baud,
               "B answers 0 but the UART stays at its rate (the host's next line is garbage)");
  app.add_flag("--copy-error", faults.copy_error, "C answers 11 (BUSY)");
  app.add_flag("--no-copy-reply", faults.no_copy_reply, "C is echoed but never answered");
  app.add_option("--noise", faults.noise_bytes,
                 "Noise bytes before Synchronized and before every echo");
}

std::string sector_text(const PartInfo& part) {
  std::string text;
  for (const SectorRun& run : part.sectors) {
    if (run.count == 0) continue;
    if (!text.empty()) text += " + ";
    text += std::to_string(run.count) + " x " + std::to_string(run.size / 1024) + " KiB";
  }
  return text;
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Applies --part and --part-id: the name picks the geometry; an id from the table picks its
// part, any other id is answered by the part chosen otherwise (a part with a wrong id).
std::optional<std::string> select_part(const std::string& name, std::optional<std::uint32_t> id,
                                       PartSettings& settings) {
  if (!name.empty()) {
    // The full name, or the unique start of one ("LPC1114" for LPC1114/301).
    std::vector<PartInfo> parts;
    if (const auto exact = find_part_by_name(name)) {
      parts.push_back(*exact);
    } else {
      parts = find_parts_by_prefix(name);
    }
    if (parts.empty()) return "--part: no part named " + name + " (see --help)";
    if (parts.size() > 1) {
      std::string names;
      for (const PartInfo& part : parts)
        names += (names.empty() ? "" : ", ") + std::string(part.name);
      return "--part: " + name + " names more than one part (" + names + "): give more of the name";
    }
    settings.part = parts.front();
  } else if (id) {
    if (const auto part = find_part_by_id(*id)) settings.part = *part;
  }
  settings.part_id = id.value_or(settings.part.id);
  return std::nullopt;
}

}  // namespace

std::string part_table_text() {
  constexpr const char* kRow = "  %-12s %-10s %-10s  %7s  %-24s  %6s  %-22s  %-3s  %s\n";
  char row[256];
  std::snprintf(row, sizeof row, kRow, "name", "id", "(hex)", "flash", "sectors", "RAM", "W window",
                "ECC", "boot ROM");
  std::string text = "Parts (--part NAME or --part-id ID; LPC1227 by default):\n";
  text += row;
  for (const PartInfo& part : part_table()) {
    const std::string window = hex(part.ram_buffer_start) + ".." + hex(part.ram_buffer_end);
    std::snprintf(row, sizeof row, kRow, std::string(part.name).c_str(),
                  std::to_string(part.id).c_str(), hex(part.id).c_str(),
                  (std::to_string(part.flash_size / 1024) + " KiB").c_str(),
                  sector_text(part).c_str(),
                  (std::to_string(part.ram_size / 1024) + " KiB").c_str(), window.c_str(),
                  part.ecc_lines ? "yes" : "no", std::to_string(part.boot_rom_window).c_str());
    text += row;
  }
  return text;
}

ParsedOptions parse_options(int argc, const char* const* argv) {
  SimOptions options;
  std::uint32_t erase_ms = 0;
  unsigned resend_block = 0;
  unsigned hangup_after = 0;
  unsigned hangup_at_copy = 0;
  std::string part_name;
  std::uint32_t part_id = 0;
  std::string echo = "crlf";

  CLI::App app{"Simulated NXP LPC1xxx with its serial ISP boot loader, on a pseudo-terminal",
               "isp-sim"};
  app.footer(part_table_text());
  app.set_version_flag("--version", std::string("isp-sim ") + ISP_SIM_VERSION);
  app.add_option("--link", options.link_path, "Symbolic link to the pty slave");
  app.add_option("--flash-in", options.flash_in,
                 "Initial flash contents (raw, at most the flash size; the rest is erased)")
      ->check(CLI::ExistingFile);
  app.add_option("--flash-out", options.flash_out, "Write the whole flash here at the end");
  app.add_option("--report", options.report_path, "Write a JSON report here at the end");
  app.add_option("--part", part_name, "The part by name (see the table below)");
  CLI::Option* id_option = app.add_option(
      "--part-id", part_id, "The part by id; an id not in the table is answered to J as it is");
  std::string id_override;
  CLI::Option* override_option =
      app.add_option("--id-override", id_override,
                     "Answer J with this id (decimal or 0x hex), on the geometry of --part or the "
                     "default part: a part the host may not know")
          ->excludes(id_option);
  app.add_option("--echo", echo, "Echo dialect: crlf (line by line) or exact (byte by byte)")
      ->check(CLI::IsMember({"crlf", "exact"}));
  app.add_flag("--isp-pin", options.part.isp_pin_low, "Hold the ISP entry pin low at every reset");
  app.add_flag(
      "--read-sees-flash", options.part.read_sees_flash,
      "R shows the flash in the boot ROM's window (by default it shows the boot ROM there, "
      "as M does)");
  app.add_option("--baud-rate", options.baud_rate,
                 "Run at the pace of this line rate, both ways, with real flash times")
      ->check(CLI::Range(std::uint32_t{1}, kMaxBaudRate));
  app.add_option("--max-baud", options.part.max_baud,
                 "The fastest rate B accepts; above it B answers 17 (INVALID_BAUD_RATE)")
      ->capture_default_str()
      ->check(CLI::Range(std::uint32_t{9600}, kMaxBaudRate));
  app.add_option("--xon-xoff", options.xon_xoff_every,
                 "Send XOFF after every N bytes sent, and XON 2 ms later")
      ->check(CLI::Range(1u, 1'000'000u));
  app.add_flag("--once", options.once, "End after the first reset or hang-up");
  CLI::Option* erase =
      app.add_option("--erase-ms", erase_ms, "Time an erase takes before its reply");
  CLI::Option* resend = app.add_option("--resend-block", resend_block,
                                       "Answer every checksum of W transfer N (from 0) RESEND");
  CLI::Option* hangup =
      app.add_option("--hangup-after", hangup_after, "Close the pty after N successful copies")
          ->check(CLI::Range(1u, 1'000'000u));
  CLI::Option* hangup_at = app.add_option("--hangup-at-copy", hangup_at_copy,
                                          "Close the pty at the Nth C, after its echo, unanswered")
                               ->check(CLI::Range(1u, 1'000'000u));
  unsigned offsetting = 0;
  unsigned corrupt_ram = 0;
  CLI::Option* offsetting_option = app.add_option(
      "--offsetting-error", offsetting,
      "In W transfer N (from 0), add 1 to byte 8 and take 1 from byte 9: the block's sum holds");
  CLI::Option* corrupt_option = app.add_option(
      "--corrupt-ram", corrupt_ram,
      "After W transfer N (from 0) is taken, invert its byte 16 in RAM (before any copy)");
  add_fault_flags(app, options.part.faults);

  try {
    app.parse(argc, argv);
    const auto id = *id_option ? std::optional<std::uint32_t>(part_id) : std::nullopt;
    if (const auto error = select_part(part_name, id, options.part)) {
      throw CLI::ValidationError(*error);
    }
    if (*override_option) {
      char* end = nullptr;
      const unsigned long long value = std::strtoull(id_override.c_str(), &end, 0);
      if (id_override.empty() || *end != '\0' || id_override[0] == '-' || value > 0xFFFFFFFFull)
        throw CLI::ValidationError("--id-override: " + id_override + " is no 32-bit id");
      options.part.part_id = static_cast<std::uint32_t>(value);
    }
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return {std::nullopt, code == 0 ? 0 : kUsageExitCode};
  }
  options.part.echo = echo == "exact" ? EchoDialect::kExact : EchoDialect::kCrLf;
  options.part.real_work_times = options.baud_rate != 0;
  if (*erase) options.part.faults.erase_time = std::chrono::milliseconds(erase_ms);
  if (*resend) options.part.faults.resend_transfer = resend_block;
  if (*hangup) options.part.faults.hang_up_after_copies = hangup_after;
  if (*hangup_at) options.part.faults.hang_up_at_copy = hangup_at_copy;
  if (*offsetting_option) options.part.faults.offsetting_error_transfer = offsetting;
  if (*corrupt_option) options.part.faults.corrupt_ram_transfer = corrupt_ram;
  return {options, 0};
}

}  // namespace isp_sim
