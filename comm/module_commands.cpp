#include "comm/module_commands.h"

namespace comm {

int SendModuleCommand(Comm& comm, ModuleCommand command) {
  switch (command) {
    case ModuleCommand::kDataEraseAll:
      return comm.SendSetting("EA", 1);
    case ModuleCommand::kConfigReset:
      return comm.SendLine("CR");
    case ModuleCommand::kReset:
      comm.CommWrite("*", 1);
      return 0;
  }
  return 0;
}

}  // namespace comm

namespace comm {
namespace {

// Reads until the first LF or until limit_ms has passed; true when an LF came.
bool ReadUntilLineEnd(Comm& comm, std::string& bytes, std::uint32_t limit_ms) {
  const std::uint32_t started = comm.GetTickCount();
  for (std::uint32_t spent = 0; spent < limit_ms; spent = comm.GetTickCount() - started) {
    char byte = 0;
    if (comm.CommReadSome(&byte, 1, static_cast<int>(limit_ms - spent)) != 1) continue;
    bytes += byte;
    if (byte == '\n') return true;
  }
  return false;
}

}  // namespace

const char* ModuleCommandLine(ModuleCommand command) {
  switch (command) {
    case ModuleCommand::kDataEraseAll:
      return "EA=1";
    case ModuleCommand::kConfigReset:
      return "CR";
    case ModuleCommand::kReset:
      break;
  }
  return "*";
}

ModuleAnswer ExchangeModuleCommand(Comm& comm, ModuleCommand command) {
  comm.CommFlushInput();
  const std::string line = std::string(ModuleCommandLine(command)) + "\r";
  comm.CommWrite(line.data(), static_cast<int>(line.size()));
  ModuleAnswer answer;
  if (!ReadUntilLineEnd(comm, answer.bytes, kModuleEchoMs)) return answer;
  // Whatever comes soon after the line (a boot loader's return code) shows
  // that the echo was not the firmware's.
  const std::uint32_t started = comm.GetTickCount();
  for (std::uint32_t spent = 0; spent < kModuleSettleMs; spent = comm.GetTickCount() - started) {
    char chunk[64];
    const int got =
        comm.CommReadSome(chunk, sizeof chunk, static_cast<int>(kModuleSettleMs - spent));
    if (got > 0) answer.bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return answer;
}

}  // namespace comm
