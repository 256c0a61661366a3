#include "comm/comm.h"

#include <sys/ioctl.h>

#include "comm/clock.h"
#include "comm/posix_serial.h"

namespace comm {

Comm::~Comm() {
  if (IsOpen()) CommClose();
}

std::uint32_t Comm::GetTickCount() const {
  return MonotonicMs() + tick_offset;
}

bool Comm::LimitPassed(std::uint32_t started, std::uint32_t limit_ms) const {
  return GetTickCount() - started >= limit_ms;
}

void Comm::TraceText(const std::string& text) const {
  if (Trace) Trace(text);
}

int Comm::CommOpen(const char* device_path, int baud) {
  TraceText(std::string("Opening ") + device_path);
  if (IsOpen()) return 0;  // the held port stays as it is
  const int fd = posix::OpenExclusive(device_path);
  if (fd < 0) return 0;
  fd_ = fd;
  TraceText(std::string(device_path) + " Opened.");
  // Once the device is open the port counts as open, whatever the driver
  // makes of the settings (a pseudo-terminal has no modem lines). With
  // hardware flow control left on by the driver, the driver drives RTS.
  posix::ConfigureLine(fd_, baud);
  posix::SetControlLine(fd_, TIOCM_DTR, true);
  posix::SetControlLine(fd_, TIOCM_RTS, false);
  return 1;
}

int Comm::CommWrite(const void* bytes, int count) {
  if (count <= 0) return 0;
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  if (CommLog != nullptr) std::fwrite(data, 1, static_cast<size_t>(count), CommLog);
  if (MonitorShown()) Monitor->MonitorSent(kSentColour, static_cast<const char*>(bytes), count);
  if (!IsOpen()) return 0;
  return posix::WriteTimed(fd_, data, count, kWriteMsPerByte);
}

int Comm::CommRead(void* buffer, int count) {
  if (count <= 0) return 0;
  auto* data = static_cast<std::uint8_t*>(buffer);
  int got = 0;
  if (IsOpen()) {
    got = posix::ReadTimed(fd_, data, count, kReadTimeoutMs);
  } else {
    SleepMs(kReadTimeoutMs);  // a read on no port is a read in which nothing came
  }
  if (got <= 0) return 0;
  if (CommLog != nullptr) std::fwrite(data, 1, static_cast<size_t>(got), CommLog);
  if (MonitorShown()) Monitor->MonitorAppendRx(kReceivedColour, data, got);
  return got;
}

void Comm::CommClose() {
  if (!IsOpen()) return;
  posix::Close(fd_, kWriteMsPerByte);
  fd_ = -1;
  TraceText("Comm port closed");
}

}  // namespace comm
