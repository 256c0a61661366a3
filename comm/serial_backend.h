#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace comm {

// The two modem control lines the serial unit drives.
enum class ModemLine { kDtr, kRts };

// Why a port did not open, for front ends that tell the user.
enum class OpenFailure {
  kNone,
  kNotFound,    // no such device
  kPermission,  // the user may not open it
  kBusy,        // another opener holds it
  kNotSerial,   // it opened, but it is no serial port
  kOther,
};

struct OpenError {
  OpenFailure kind = OpenFailure::kNone;
  int system_code = 0;  // errno, or the host's error code
  std::string text;     // the system's own words for it
};

// One open serial device of the host: the thin platform layer under the
// serial unit. Each backend object serves one open; the serial unit makes a
// new one for every CommOpen.
class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // Opens the device for exclusive use. On failure the backend stays closed
  // and error says why.
  virtual bool Open(const char* device_path, OpenError& error) = 0;
  // Raw 8N1 at baud; flow control stays as the driver had it. False when the
  // driver refused the settings (the port stays usable).
  virtual bool Configure(int baud) = 0;
  virtual bool SetModemLine(ModemLine line, bool on) = 0;
  // Reads up to count bytes: what has arrived, at once; otherwise waits up to
  // timeout_ms for the first byte and returns 0 when none came.
  virtual int Read(std::uint8_t* buffer, int count, int timeout_ms) = 0;
  // Writes count bytes, giving up when the device takes nothing for
  // ms_per_byte times the count. Returns the number written.
  virtual int Write(const std::uint8_t* bytes, int count, int ms_per_byte) = 0;
  // Lets queued output leave, waiting no longer than writing it may take.
  virtual void Drain(int ms_per_byte) = 0;
  // Changes the line rate of the open port, after the output already queued
  // has left at the old rate (waiting no longer than writing it may take).
  // False when the driver refused the rate; the port keeps its old one then.
  virtual bool SetBaud(int baud, int ms_per_byte) {
    static_cast<void>(baud);
    static_cast<void>(ms_per_byte);
    return false;
  }
  // Gives up the exclusive use and closes the device.
  virtual void Close() = 0;
  // Whether the far end has hung up (a read saw the line gone), so that a
  // caller can tell a lost line from a quiet one.
  virtual bool HungUp() const { return false; }
};

using SerialBackendFactory = std::function<std::unique_ptr<SerialBackend>()>;

// The backend of the host the program was built for.
std::unique_ptr<SerialBackend> MakeSystemSerialBackend();

}  // namespace comm
