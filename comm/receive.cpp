// Timed receive primitives. Every byte is read one at a time through
// CommRead, so each one also reaches the traffic log and the monitor.
#include <cstring>
#include <memory>
#include <new>

#include "comm/clock.h"
#include "comm/comm.h"

namespace comm {

int Comm::CommFlushInput() {
  const std::uint32_t started = GetTickCount();
  int discarded = 0;
  char byte = 0;
  while (discarded < kFlushMaxBytes && CommRead(&byte, 1) == 1) {
    ++discarded;
    if (LimitPassed(started, kFlushMaxMs)) break;
  }
  return discarded;
}

int Comm::CommWaitFor(const char* text, int length, std::uint32_t limit_ms) {
  const std::uint32_t started = GetTickCount();
  if (length < 1) return 0;
  // The window holds the last `length` bytes received, NUL-terminated, so a
  // NUL byte inside it prevents a match until it has slid out.
  std::unique_ptr<char[]> window(new (std::nothrow) char[static_cast<size_t>(length) + 1]);
  if (!window) return 0;
  char* held = window.get();
  held[0] = '\0';
  int fill = 0;
  do {
    char byte = 0;
    if (CommRead(&byte, 1) == 1) {
      held[fill++] = byte;
      held[fill] = '\0';
      if (fill == length) {
        if (std::strcmp(held, text) == 0) return 1;
        std::memmove(held, held + 1, static_cast<size_t>(length));
        --fill;
      }
    } else {
      SleepMs(10);
    }
  } while (!LimitPassed(started, limit_ms));
  return 0;
}

int Comm::CommReadCount(char* buffer, int count, std::uint32_t limit_ms) {
  const std::uint32_t started = GetTickCount();
  int stored = 0;
  bool passed = false;
  do {
    if (CommRead(buffer + stored, 1) == 1) {
      ++stored;
    } else {
      YieldSlice();
    }
    // Judged by the clock after the last read: a last byte that came only
    // after the limit still makes the result 0.
    passed = LimitPassed(started, limit_ms);
  } while (!passed && stored < count);
  if (passed) return 0;
  buffer[count] = '\0';
  return count;
}

int Comm::CommReadLine(char* buffer, int maximum, std::uint32_t limit_ms) {
  const std::uint32_t started = GetTickCount();
  int stored = 0;
  char last = '\0';
  bool passed = false;
  do {
    char byte = 0;
    if (CommRead(&byte, 1) == 1) {
      last = byte;
      if (byte != '\r' && byte != '\n') buffer[stored++] = byte;
    } else {
      YieldSlice();
    }
    passed = LimitPassed(started, limit_ms);
  } while (!passed && stored < maximum && last != '\n');
  buffer[stored] = '\0';
  return passed ? 0 : stored;
}

}  // namespace comm
