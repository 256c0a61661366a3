#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "comm/serial_backend.h"
#include "comm/traffic_monitor.h"

namespace comm {

// The serial unit: the one serial port the program holds at any time, the
// traffic hooks every byte passes, the timed receive primitives and the
// command-with-echo exchange on top of them. One object per program.
class Comm {
 public:
  Comm();
  // Opens every port through backends that the factory makes (tests hand in
  // doubles that record the modem lines).
  explicit Comm(SerialBackendFactory backends);
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
  bool IsOpen() const { return port_ != nullptr; }
  // Why the last CommOpen that failed did so.
  const OpenError& LastOpenError() const { return open_error_; }

  // Bulk read for callers that parse replies themselves: takes what has
  // arrived (up to max bytes) at once, or waits up to timeout_ms for the
  // first byte. The bytes pass the log and monitor hooks like CommRead's.
  int CommReadSome(void* buffer, int max, int timeout_ms);
  // Whether the far end of the held port has hung up.
  bool LineLost() const { return port_ != nullptr && port_->HungUp(); }
  // Sets a modem control line of the held port (asserted when on); false
  // when no port is held or the driver refused.
  bool SetModemLine(ModemLine line, bool on);
  // Changes the line rate of the held port once what was written has left;
  // false when no port is held or the driver refused the rate.
  bool SetLineRate(int baud);

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
  // From now on the counter runs `factor` times slower than the clock, so
  // every time limit gives the peer that many times the wall time: for tests
  // whose peer, a process of its own, may wait for a CPU on a loaded machine.
  // The limits themselves, and the bytes, stay as they are.
  void SlowTicks(std::uint32_t factor);

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

  int Received(std::uint8_t* data, int got);

  SerialBackendFactory backends_;
  std::unique_ptr<SerialBackend> port_;
  std::uint32_t tick_slowdown_ = 1;
  std::uint32_t slow_since_ = 0;  // the clock when the slowdown began
  std::uint32_t slow_base_ = 0;   // the counter then, so that it runs on from there
  OpenError open_error_;
};

}  // namespace comm
