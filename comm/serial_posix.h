#pragma once

#include "comm/serial_backend.h"

// The POSIX backend: a termios device opened exclusively (TIOCEXCL plus an
// advisory lock, since root passes TIOCEXCL), configured raw 8N1, with reads
// that give up after their time-out.
namespace comm::posix {

class PosixSerial : public SerialBackend {
 public:
  PosixSerial() = default;
  ~PosixSerial() override;
  PosixSerial(const PosixSerial&) = delete;
  PosixSerial& operator=(const PosixSerial&) = delete;

  bool Open(const char* device_path, OpenError& error) override;
  bool Configure(int baud) override;
  bool SetModemLine(ModemLine line, bool on) override;
  // A hang-up or read error also yields 0, after the same wait, so callers
  // never spin.
  int Read(std::uint8_t* buffer, int count, int timeout_ms) override;
  int Write(const std::uint8_t* bytes, int count, int ms_per_byte) override;
  void Drain(int ms_per_byte) override;
  bool SetBaud(int baud, int ms_per_byte) override;
  void Close() override;
  bool HungUp() const override { return hung_up_; }

 private:
  int fd_ = -1;
  bool hung_up_ = false;
};

}  // namespace comm::posix
