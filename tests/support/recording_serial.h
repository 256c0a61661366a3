#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "comm/serial_backend.h"

namespace testing_support {

// One thing a recording backend was asked to do, with the time it happened.
struct SerialEvent {
  enum class Kind { kOpen, kOpenFailed, kConfigure, kLine, kWrite, kDrain, kClose };
  Kind kind = Kind::kOpen;
  std::uint32_t at_ms = 0;                       // since the log started
  comm::ModemLine line = comm::ModemLine::kDtr;  // kLine: which line
  bool on = false;                               // kLine: the state asked for
  int value = 0;                                 // kConfigure: the baud rate; kWrite: bytes written
  std::string path;                              // kOpen, kOpenFailed: the device path
};

// The log shared by every backend that one recording factory makes: the
// opens and closes of the port, the line settings, every change of a modem
// line and every write, in the order they happened. Reads are not logged:
// the serial unit polls, so they say nothing about the line.
class SerialEventLog {
 public:
  SerialEventLog() : start_(std::chrono::steady_clock::now()) {}

  void Add(SerialEvent event);
  std::uint32_t NowMs() const;
  std::vector<SerialEvent> Events() const;
  void Clear();

  // The events as short texts: "open", "open failed", "configure 115200",
  // "DTR on", "RTS off", "write", "drain", "close". A run of writes is one
  // "write".
  std::vector<std::string> Sequence() const;
  // The state last asked for the line at or before at_ms; nothing while it
  // has never been set.
  std::optional<bool> LineAt(comm::ModemLine line, std::uint32_t at_ms) const;
  std::optional<bool> LineNow(comm::ModemLine line) const { return LineAt(line, NowMs()); }

 private:
  const std::chrono::steady_clock::time_point start_;
  mutable std::mutex mutex_;
  std::vector<SerialEvent> events_;
};

// A backend that passes everything to another one (by default the host's,
// so it still talks to a pseudo-terminal or the simulator) and writes what it
// was asked to do into the log. A pseudo-terminal has no modem lines: the
// log holds what the serial unit asked for, whatever the device made of it.
class RecordingSerial : public comm::SerialBackend {
 public:
  RecordingSerial(std::unique_ptr<comm::SerialBackend> inner, std::shared_ptr<SerialEventLog> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}

  bool Open(const char* device_path, comm::OpenError& error) override;
  bool Configure(int baud) override;
  bool SetModemLine(comm::ModemLine line, bool on) override;
  int Read(std::uint8_t* buffer, int count, int timeout_ms) override;
  int Write(const std::uint8_t* bytes, int count, int ms_per_byte) override;
  void Drain(int ms_per_byte) override;
  void Close() override;

 private:
  std::unique_ptr<comm::SerialBackend> inner_;
  std::shared_ptr<SerialEventLog> log_;
};

// Makes recording backends around backends of inner, all writing to log.
comm::SerialBackendFactory RecordingSerialFactory(
    std::shared_ptr<SerialEventLog> log,
    comm::SerialBackendFactory inner = comm::MakeSystemSerialBackend);

}  // namespace testing_support
