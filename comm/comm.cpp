#include "comm/comm.h"

#include <utility>

#include "comm/clock.h"

namespace comm {

Comm::Comm() : Comm(MakeSystemSerialBackend) {}

Comm::Comm(SerialBackendFactory backends) : backends_(std::move(backends)) {}

Comm::~Comm() {
  if (IsOpen()) CommClose();
}

std::uint32_t Comm::GetTickCount() const {
  const std::uint32_t now = MonotonicMs();
  if (tick_slowdown_ <= 1) return now + tick_offset;
  // Counted on from where the counter stood, so that it never runs back and
  // a wrap of the clock stays a wrap.
  return slow_base_ + (now - slow_since_) / tick_slowdown_ + tick_offset;
}

void Comm::SlowTicks(std::uint32_t factor) {
  slow_base_ = GetTickCount() - tick_offset;
  slow_since_ = MonotonicMs();
  tick_slowdown_ = factor == 0 ? 1 : factor;
}

bool Comm::LimitPassed(std::uint32_t started, std::uint32_t limit_ms) const {
  return GetTickCount() - started >= limit_ms;
}

void Comm::TraceText(const std::string& text) const {
  if (Trace) Trace(text);
}

int Comm::CommOpen(const char* device_path, int baud) {
  TraceText(std::string("Opening ") + device_path);
  if (IsOpen()) {  // the held port stays as it is
    open_error_ = OpenError{OpenFailure::kBusy, 0, "this program already holds a port open"};
    return 0;
  }
  std::unique_ptr<SerialBackend> port = backends_();
  if (!port->Open(device_path, open_error_)) return 0;
  port_ = std::move(port);
  TraceText(std::string(device_path) + " Opened.");
  // Once the device is open the port counts as open, whatever the driver
  // makes of the settings (a pseudo-terminal has no modem lines). With
  // hardware flow control left on by the driver, the driver drives RTS.
  port_->Configure(baud);
  port_->SetModemLine(ModemLine::kDtr, true);
  port_->SetModemLine(ModemLine::kRts, false);
  return 1;
}

int Comm::CommWrite(const void* bytes, int count) {
  if (count <= 0) return 0;
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  if (CommLog != nullptr) std::fwrite(data, 1, static_cast<size_t>(count), CommLog);
  if (MonitorShown()) Monitor->MonitorSent(kSentColour, static_cast<const char*>(bytes), count);
  if (!IsOpen()) return 0;
  return port_->Write(data, count, kWriteMsPerByte);
}

int Comm::CommRead(void* buffer, int count) {
  if (count <= 0) return 0;
  auto* data = static_cast<std::uint8_t*>(buffer);
  int got = 0;
  if (IsOpen()) {
    got = port_->Read(data, count, kReadTimeoutMs);
  } else {
    SleepMs(kReadTimeoutMs);  // a read on no port is a read in which nothing came
  }
  return Received(data, got);
}

int Comm::CommReadSome(void* buffer, int max, int timeout_ms) {
  if (max <= 0) return 0;
  auto* data = static_cast<std::uint8_t*>(buffer);
  int got = 0;
  if (IsOpen()) {
    got = port_->Read(data, max, timeout_ms);
  } else if (timeout_ms > 0) {
    SleepMs(static_cast<std::uint32_t>(timeout_ms));
  }
  return Received(data, got);
}

int Comm::Received(std::uint8_t* data, int got) {
  if (got <= 0) return 0;
  if (CommLog != nullptr) std::fwrite(data, 1, static_cast<size_t>(got), CommLog);
  if (MonitorShown()) Monitor->MonitorAppendRx(kReceivedColour, data, got);
  return got;
}

bool Comm::SetModemLine(ModemLine line, bool on) {
  return IsOpen() && port_->SetModemLine(line, on);
}

bool Comm::SetLineRate(int baud) {
  if (!IsOpen()) return false;
  const bool set = port_->SetBaud(baud, kWriteMsPerByte);
  TraceText((set ? "Line rate " : "Line rate refused: ") + std::to_string(baud));
  return set;
}

void Comm::CommClose() {
  if (!IsOpen()) return;
  port_->Drain(kWriteMsPerByte);
  port_->SetModemLine(ModemLine::kDtr, false);
  port_->Close();
  port_.reset();
  TraceText("Comm port closed");
}

}  // namespace comm
