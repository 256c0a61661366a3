#include "sim_options.hpp"

#include <CLI/CLI.hpp>

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
  app.add_flag("--copy-error", faults.copy_error, "C answers 11 (BUSY)");
  app.add_flag("--no-copy-reply", faults.no_copy_reply, "C is echoed but never answered");
  app.add_option("--noise", faults.noise_bytes,
                 "Noise bytes before Synchronized and before every echo");
}

}  // namespace

ParsedOptions parse_options(int argc, const char* const* argv) {
  SimOptions options;
  std::uint32_t erase_ms = 0;
  unsigned resend_block = 0;
  unsigned hangup_after = 0;

  CLI::App app{"Simulated NXP LPC1xxx with its serial ISP boot loader, on a pseudo-terminal",
               "isp-sim"};
  app.add_option("--link", options.link_path, "Symbolic link to the pty slave");
  app.add_option("--flash-in", options.flash_in, "Initial flash contents (raw, <= 65536 bytes)")
      ->check(CLI::ExistingFile);
  app.add_option("--flash-out", options.flash_out, "Write the 64 KiB flash here at the end");
  app.add_option("--report", options.report_path, "Write a JSON report here at the end");
  app.add_option("--part-id", options.part.part_id, "Part id answered to J");
  app.add_option("--baud-rate", options.baud_rate, "Send at the pace of this line rate")
      ->check(CLI::Range(std::uint32_t{1}, kMaxBaudRate));
  app.add_flag("--once", options.once, "End after the first reset or hang-up");
  app.add_option("--erase-ms", erase_ms, "Time an erase takes before its reply");
  CLI::Option* resend = app.add_option("--resend-block", resend_block,
                                       "Answer every checksum of W transfer N (from 0) RESEND");
  CLI::Option* hangup =
      app.add_option("--hangup-after", hangup_after, "Close the pty after N successful copies")
          ->check(CLI::Range(1u, 1'000'000u));
  add_fault_flags(app, options.part.faults);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return {std::nullopt, code == 0 ? 0 : kUsageExitCode};
  }
  options.part.faults.erase_time = std::chrono::milliseconds(erase_ms);
  if (*resend) options.part.faults.resend_transfer = resend_block;
  if (*hangup) options.part.faults.hang_up_after_copies = hangup_after;
  return {options, 0};
}

}  // namespace isp_sim
