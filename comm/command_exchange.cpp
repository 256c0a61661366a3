// The command-with-echo exchange: a line goes out with one CR appended, the
// peer echoes it, and the reply is read as a line of its own.
#include <cstdio>
#include <cstring>

#include "comm/comm.h"

namespace comm {
namespace {

constexpr std::uint32_t kEchoLimitMs = 200;
constexpr std::uint32_t kReplyLimitMs = 1000;

}  // namespace

int Comm::SendLine(const char* text) {
  CommFlushInput();
  char line[kLineSize + 1];
  // A text longer than 255 characters is cut so that its CR still fits.
  const int length = std::snprintf(line, sizeof line, "%.*s%c", kLineSize - 1, text, '\r');
  CommWrite(line, length);
  return CommReadLine(line, kLineSize, kEchoLimitMs);
}

int Comm::SendSetting(const char* name, int value) {
  CommFlushInput();
  char line[kLineSize + 1];
  int length = std::snprintf(line, sizeof line, "%.200s=%d%c", name, value, '\r');
  CommWrite(line, length);
  return CommReadLine(line, kLineSize, kEchoLimitMs);
}

int Comm::SendCommand(const char* text, char* reply) {
  SendLine(text);
  return CommReadLine(reply, kReplySize, kReplyLimitMs);
}

int Comm::SendFormatted(const char* format, int value, char* reply) {
  char command[kReplySize + 1];
  std::snprintf(command, sizeof command, format, value);
  return SendCommand(command, reply);
}

}  // namespace comm
