#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace isp_sim {

struct CopiedBlock {
  std::uint32_t flash;
  std::uint32_t ram;
  std::uint32_t count;
};

struct RefusedCommand {
  std::string command;
  int code;
};

struct ProgramStart {
  std::uint32_t address;
  char mode;
  std::string outcome;  // "reset", "idle", "fault" or "step_limit"
};

// Bytes carried while the part's UART ran at one rate.
struct LineRateBytes {
  std::uint64_t sent = 0;      // to the host
  std::uint64_t received = 0;  // from the host
};

// What happened during one simulator run; written as JSON by --report.
struct SessionReport {
  std::string part;           // name of the part whose memory is simulated
  bool synchronised = false;  // the handshake completed at least once
  bool unlocked = false;      // "U 23130" was accepted at least once
  std::set<unsigned> sectors_erased;
  std::vector<CopiedBlock> copied_blocks;
  unsigned flash_lines_programmed_twice = 0;  // ECC lines programmed again before an erase
  bool user_code_valid = false;               // criterion at the last reset (or at power-on)
  std::string code_read_protection = "none";  // level read at the last reset
  bool firmware_running = false;              // at the end of the session
  unsigned resets = 0;
  std::vector<RefusedCommand> refused_commands;
  std::vector<std::string> firmware_commands;
  std::vector<ProgramStart> programs_started;
  std::optional<std::uint32_t> crystal_khz;
  std::optional<std::uint32_t> baud_rate;  // last rate accepted by "B"
  unsigned hang_ups = 0;                   // times the host closed the port
  std::uint64_t bytes_sent = 0;            // bytes the host was given on the line
  std::uint64_t bytes_received = 0;        // bytes the host sent
  // By the UART's rate at the time (0: not known yet, before any byte from the host).
  std::map<std::uint32_t, LineRateBytes> line_rates;
};

nlohmann::json to_json(const SessionReport& report);

}  // namespace isp_sim
