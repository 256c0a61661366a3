#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "boot_line_reader.hpp"
#include "code_read_protection.hpp"
#include "command_line.hpp"
#include "memory_read_transfer.hpp"
#include "part_memory.hpp"
#include "part_settings.hpp"
#include "ram_write_transfer.hpp"
#include "return_code.hpp"
#include "session_report.hpp"
#include "wire.hpp"

namespace isp_sim {

// What the boot loader needs the rest of the part to do.
enum class BootEvent {
  kNone,
  kSystemReset,  // code started with "G" requested a reset
  kHangUp,       // --hangup-after or --hangup-at-copy: the line is cut
};

// The ROM's serial ISP handler: autobaud handshake, command lines, and the W/R data phases.
class BootLoader {
 public:
  static constexpr std::uint32_t kUnlockCode = 23130;
  static constexpr std::size_t kProgramStepLimit = 100000;

  BootLoader(PartMemory& memory, Wire& wire, SessionReport& report, const PartSettings& settings);

  // State after a reset: waiting for '?', locked, echo on, no sector prepared, protected as
  // `level` says.
  void restart(CrpLevel level);
  BootEvent on_byte(char byte);
  // The rate B has switched the UART to, once: the line changes to it after the answer, which
  // goes out at the old rate.
  std::optional<std::uint32_t> take_line_rate_request() {
    return std::exchange(line_rate_request_, std::nullopt);
  }

 private:
  enum class State {
    kAwaitQuestionMark,
    kAwaitSynchronized,
    kAwaitFrequency,
    kCommand,
    kWriteData,
    kReadAck,
    kHalted,  // silent for good: a fault flag, or code that never came back
  };

  struct Reply {
    Reply() = default;
    // Implicit, so that a handler can simply return a code.
    Reply(ReturnCode status, std::vector<std::string> data = {})
        : code(status), lines(std::move(data)) {}

    ReturnCode code = ReturnCode::kSuccess;
    std::vector<std::string> lines;  // sent after the return code
    bool unanswered = false;         // nothing at all is sent
    std::chrono::milliseconds delay{0};
    std::function<BootEvent()> after;  // runs once the reply is on the wire
  };

  BootEvent on_line(const std::string& line);
  void on_synchronized_line(const std::string& line);
  void on_frequency_line(const std::string& line);
  BootEvent execute_command(const std::string& line);
  void on_write_data_line(const std::string& line);
  BootEvent on_read_ack_line(const std::string& line);
  void echo(const std::string& line);
  void send_read_block();
  Reply dispatch(const CommandLine& command);

  // isp_info_commands.cpp
  Reply unlock(const CommandLine& command);
  Reply set_echo(const CommandLine& command);
  Reply set_baud_rate(const CommandLine& command);
  Reply read_part_id(const CommandLine& command) const;
  Reply read_boot_code_version(const CommandLine& command) const;
  Reply read_serial_number(const CommandLine& command) const;

  // isp_flash_commands.cpp
  Reply prepare_sectors(const CommandLine& command);
  Reply erase_sectors(const CommandLine& command);
  Reply blank_check_sectors(const CommandLine& command) const;
  Reply copy_ram_to_flash(const CommandLine& command);
  bool all_prepared(unsigned first, unsigned last) const;
  bool valid_sector_range(std::uint32_t first, std::uint32_t last) const;
  bool erase_refused_by_crp(std::uint32_t first, std::uint32_t last) const;
  std::chrono::milliseconds erase_duration(unsigned first, unsigned last) const;

  // isp_memory_commands.cpp
  Reply write_to_ram(const CommandLine& command);
  Reply read_memory(const CommandLine& command);
  Reply compare_memory(const CommandLine& command) const;

  // isp_go_command.cpp
  Reply go(const CommandLine& command);
  BootEvent run_program(std::uint32_t address, char mode);

  PartMemory& memory_;
  Wire& wire_;
  SessionReport& report_;
  const PartSettings& settings_;

  BootLineReader lines_;
  State state_ = State::kAwaitQuestionMark;
  bool echo_ = true;
  bool unlocked_ = false;
  CrpRules crp_;
  std::vector<bool> prepared_;
  std::optional<RamWriteTransfer> write_;
  std::optional<MemoryReadTransfer> read_;
  unsigned write_transfers_ = 0;  // "W" data phases started this session; survives resets
  unsigned copy_commands_ = 0;    // "C" lines taken this session, answered or not
  std::optional<std::uint32_t> line_rate_request_;
};

// Decimal arguments of a command that takes exactly `count` of them.
std::optional<std::vector<std::uint32_t>> decimal_args(const CommandLine& command,
                                                       std::size_t count);

}  // namespace isp_sim
