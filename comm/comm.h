#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "comm/traffic_monitor.h"

namespace comm {

// The serial unit: the one serial port the program holds at any time, the
// traffic hooks every byte passes, the timed receive primitives and the
// command-with-echo exchange on top of them. One object per program.
class Comm {
 public:
  Comm() = default;
  ~Comm();
  Comm(const Comm&) = delete;
  Comm& operator=(const Comm&) = delete;

  // --- port ---------------------------------------------------------------
  // 1 when the device opened (exclusively) and was configured for raw 8N1 at
  // baud with DTR raised and RTS cleared; 0 when it cannot be opened. A call
  // while a port is held returns 0 and leaves the held port untouched.
  int CommOpen(const char* device_path, int baud);
  int CommWrite(const void* bytes, int count);
  int CommRead(void* buffer, int count);
  void CommClose();
  bool IsOpen() const { return fd_ >= 0; }

  // --- receive primitives -------------------------------------------------
  int CommFlushInput();
  int CommWaitFor(const char* text, int length, std::uint32_t limit_ms);
  int CommReadCount(char* buffer, int count, std::uint32_t limit_ms);
  int CommReadLine(char* buffer, int maximum, std::uint32_t limit_ms);

  // --- command exchange ---------------------------------------------------
  int SendLine(const char* text);
  int SendSetting(const char* name, int value);
  // reply must have room for kReplySize characters and the terminating NUL.
  int SendCommand(const char* text, char* reply);
  int SendFormatted(const char* format, int value, char* reply);

  // --- traffic hooks, registered by the front end -------------------------
  // The traffic log of a programming run, attached only during the run. The
  // front end opens and closes the stream; the serial unit only appends.
  std::FILE* CommLog = nullptr;
  TrafficMonitor* Monitor = nullptr;
  std::function<void(const std::string&)> Trace;

  // Tick counter in milliseconds; tick_offset lets tests put a wrap of the
  // 32-bit counter in the middle of a wait.
  std::uint32_t GetTickCount() const;
  std::uint32_t tick_offset = 0;

  static constexpr int kReplySize = 80;
  static constexpr int kLineSize = 256;
  static constexpr int kReadTimeoutMs = 20;
  static constexpr int kWriteMsPerByte = 20;
  // A peer that never pauses must not keep CommFlushInput reading forever.
  static constexpr int kFlushMaxBytes = 65536;
  static constexpr std::uint32_t kFlushMaxMs = 1000;

 private:
  bool MonitorShown() const { return Monitor != nullptr && Monitor->MonitorShown(); }
  bool LimitPassed(std::uint32_t started, std::uint32_t limit_ms) const;
  void TraceText(const std::string& text) const;

  int fd_ = -1;
};

}  // namespace comm
