#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "boot_line_reader.hpp"
#include "part_table.hpp"

namespace isp_sim {

inline constexpr std::uint32_t kDefaultPartId = 913309739;

// Misbehaviour the part can be asked to show, one switch per command-line fault flag.
struct FaultSettings {
  bool silent = false;                                  // --silent
  bool silent_after_sync = false;                       // --silent-after-sync
  bool fail_frequency = false;                          // --fail-freq
  bool fail_unlock = false;                             // --fail-unlock
  bool fail_prepare = false;                            // --fail-prepare
  bool fail_erase = false;                              // --fail-erase
  bool fail_blank_check = false;                        // --fail-blank-check
  std::optional<std::chrono::milliseconds> erase_time;  // --erase-ms
  std::optional<unsigned> resend_transfer;              // --resend-block
  bool copy_error = false;                              // --copy-error
  bool no_copy_reply = false;                           // --no-copy-reply
  unsigned noise_bytes = 0;                             // --noise
  std::optional<unsigned> hang_up_after_copies;         // --hangup-after
  std::optional<unsigned> hang_up_at_copy;              // --hangup-at-copy
  std::optional<unsigned> offsetting_error_transfer;    // --offsetting-error
  std::optional<unsigned> corrupt_ram_transfer;         // --corrupt-ram
  bool keep_baud = false;  // --keep-baud: B answers 0, yet the UART stays at its rate
};

struct PartSettings {
  std::uint32_t part_id = kDefaultPartId;  // what "J" answers
  PartInfo part = default_part();          // memory geometry
  EchoDialect echo = EchoDialect::kCrLf;
  bool real_work_times = false;  // erasing and programming take as long as on silicon
  bool isp_pin_low = false;      // the ISP entry pin is held low at every reset
  // R shows the flash in the boot ROM's window (--read-sees-flash); by
  // default it shows the boot ROM there, as M does.
  bool read_sees_flash = false;
  // The fastest rate B accepts (--max-baud); above it B answers INVALID_BAUD_RATE.
  std::uint32_t max_baud = 230400;
  FaultSettings faults;
};

}  // namespace isp_sim
