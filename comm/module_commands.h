#pragma once

#include <string>

#include "comm/comm.h"

namespace comm {

// One-line commands to the module's own firmware (not the boot loader).
enum class ModuleCommand {
  kDataEraseAll,  // "EA=1\r", echo read and dropped
  kConfigReset,   // "CR\r", echo read and dropped
  kReset,         // the single byte "*", nothing read
};

// Sends the command on the port that is open. Returns the length of the
// echo line (0 when none came within 200 ms, and always 0 for kReset).
int SendModuleCommand(Comm& comm, ModuleCommand command);

// The line of a command with an echo ("EA=1", "CR"); "*" for kReset.
const char* ModuleCommandLine(ModuleCommand command);

// What came back for a command with an echo: every byte up to the first
// line end (within kModuleEchoMs), and what followed it within
// kModuleSettleMs. Only the firmware answers with its exact echo and then
// keeps quiet; a boot loader answers a return code ("1", INVALID_COMMAND),
// after its own echo of the line when its echo is on.
struct ModuleAnswer {
  std::string bytes;

  bool EchoedExactly(const std::string& line) const {
    return bytes == line + "\r\n" || bytes == line + "\n" || bytes == line + "\r";
  }
};
inline constexpr std::uint32_t kModuleEchoMs = 200;
inline constexpr std::uint32_t kModuleSettleMs = 100;

// Sends kDataEraseAll or kConfigReset and collects the answer.
ModuleAnswer ExchangeModuleCommand(Comm& comm, ModuleCommand command);

}  // namespace comm
