#pragma once

#include <cstdint>
#include <optional>

#include "comm/serial_backend.h"
#include "comm/timer_resolution_win32.h"

// The Windows backend: a COM device opened with share mode 0 (exclusive),
// configured through its DCB, with reads and writes bounded by the driver's
// time-outs (COMMTIMEOUTS).
namespace comm::win32 {

// The five fields of COMMTIMEOUTS, in milliseconds.
struct Timeouts {
  std::uint32_t read_interval = 0;
  std::uint32_t read_multiplier = 0;
  std::uint32_t read_constant = 0;
  std::uint32_t write_multiplier = 0;
  std::uint32_t write_constant = 0;
  bool operator==(const Timeouts&) const = default;
};

// What CommOpen applies: a one-byte read returns the byte as soon as it is
// there, or nothing after 20 ms; a write of n bytes may take 20 x n ms.
inline constexpr Timeouts kOpenTimeouts{0xFFFFFFFFu, 20, 0, 20, 0};

// How a ReadFile waits.
enum class ReadWait {
  kPoll,       // as opened: one byte as soon as it is there, or nothing after 20 ms
  kAtOnce,     // what has arrived, without waiting
  kFirstByte,  // one byte, waiting for it up to the time-out
};

// current with its read side set for the wait; the write side stays.
Timeouts ReadTimeouts(ReadWait wait, int timeout_ms, const Timeouts& current);

class Win32Serial : public SerialBackend {
 public:
  Win32Serial() = default;
  ~Win32Serial() override;
  Win32Serial(const Win32Serial&) = delete;
  Win32Serial& operator=(const Win32Serial&) = delete;

  // Fails with kNotSerial for a device that opens but has no serial state
  // (NUL, a file).
  bool Open(const char* device_path, OpenError& error) override;
  // 8N1 at baud, EvtChar LF, DTR and RTS under program control; the other
  // DCB fields (flow control included) stay as the driver had them. Then
  // the time-outs of kOpenTimeouts.
  bool Configure(int baud) override;
  bool SetModemLine(ModemLine line, bool on) override;
  int Read(std::uint8_t* buffer, int count, int timeout_ms) override;
  int Write(const std::uint8_t* bytes, int count, int ms_per_byte) override;
  void Drain(int ms_per_byte) override;
  // The DCB's BaudRate alone, once the queued output has left.
  bool SetBaud(int baud, int ms_per_byte) override;
  void Close() override;
  // A device that refuses its state or a read (an adapter pulled out, the
  // far end of a virtual port gone).
  bool HungUp() const override { return hung_up_; }

 private:
  bool Apply(const Timeouts& timeouts);
  // One ReadFile under the wait; 0 when nothing came or the read failed.
  int ReadWith(ReadWait wait, int timeout_ms, std::uint8_t* buffer, int count);

  void* handle_ = nullptr;  // the HANDLE, while open
  std::optional<Timeouts> applied_;
  std::optional<TimerResolution> resolution_;
  bool hung_up_ = false;
};

// The OpenFailure for a Win32 error code of CreateFileA or GetCommState.
OpenFailure FailureFor(std::uint32_t code);

}  // namespace comm::win32
