#include "tests/support/recording_serial.h"

#include <utility>

namespace testing_support {
namespace {

std::string LineName(comm::ModemLine line) {
  return line == comm::ModemLine::kDtr ? "DTR" : "RTS";
}

std::string Describe(const SerialEvent& event) {
  switch (event.kind) {
    case SerialEvent::Kind::kOpen:
      return "open";
    case SerialEvent::Kind::kOpenFailed:
      return "open failed";
    case SerialEvent::Kind::kConfigure:
      return "configure " + std::to_string(event.value);
    case SerialEvent::Kind::kLine:
      return LineName(event.line) + (event.on ? " on" : " off");
    case SerialEvent::Kind::kWrite:
      return "write";
    case SerialEvent::Kind::kDrain:
      return "drain";
    case SerialEvent::Kind::kClose:
      return "close";
  }
  return "?";
}

}  // namespace

void SerialEventLog::Add(SerialEvent event) {
  event.at_ms = NowMs();
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(std::move(event));
}

std::uint32_t SerialEventLog::NowMs() const {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start_)
                                        .count());
}

std::vector<SerialEvent> SerialEventLog::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

void SerialEventLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.clear();
}

std::vector<std::string> SerialEventLog::Sequence() const {
  std::vector<std::string> sequence;
  for (const SerialEvent& event : Events()) {
    std::string text = Describe(event);
    if (text == "write" && !sequence.empty() && sequence.back() == "write") continue;
    sequence.push_back(std::move(text));
  }
  return sequence;
}

std::optional<bool> SerialEventLog::LineAt(comm::ModemLine line, std::uint32_t at_ms) const {
  std::optional<bool> state;
  for (const SerialEvent& event : Events()) {
    if (event.at_ms > at_ms) break;
    if (event.kind == SerialEvent::Kind::kLine && event.line == line) state = event.on;
  }
  return state;
}

bool RecordingSerial::Open(const char* device_path, comm::OpenError& error) {
  const bool opened = inner_->Open(device_path, error);
  SerialEvent event;
  event.kind = opened ? SerialEvent::Kind::kOpen : SerialEvent::Kind::kOpenFailed;
  event.path = device_path;
  log_->Add(std::move(event));
  return opened;
}

bool RecordingSerial::Configure(int baud) {
  SerialEvent event;
  event.kind = SerialEvent::Kind::kConfigure;
  event.value = baud;
  log_->Add(std::move(event));
  return inner_->Configure(baud);
}

bool RecordingSerial::SetModemLine(comm::ModemLine line, bool on) {
  SerialEvent event;
  event.kind = SerialEvent::Kind::kLine;
  event.line = line;
  event.on = on;
  log_->Add(std::move(event));
  return inner_->SetModemLine(line, on);
}

int RecordingSerial::Read(std::uint8_t* buffer, int count, int timeout_ms) {
  return inner_->Read(buffer, count, timeout_ms);
}

int RecordingSerial::Write(const std::uint8_t* bytes, int count, int ms_per_byte) {
  const int written = inner_->Write(bytes, count, ms_per_byte);
  SerialEvent event;
  event.kind = SerialEvent::Kind::kWrite;
  event.value = written;
  log_->Add(std::move(event));
  return written;
}

void RecordingSerial::Drain(int ms_per_byte) {
  inner_->Drain(ms_per_byte);
  SerialEvent event;
  event.kind = SerialEvent::Kind::kDrain;
  log_->Add(std::move(event));
}

void RecordingSerial::Close() {
  inner_->Close();
  SerialEvent event;
  event.kind = SerialEvent::Kind::kClose;
  log_->Add(std::move(event));
}

comm::SerialBackendFactory RecordingSerialFactory(std::shared_ptr<SerialEventLog> log,
                                                  comm::SerialBackendFactory inner) {
  return [log = std::move(log), inner = std::move(inner)] {
    return std::make_unique<RecordingSerial>(inner(), log);
  };
}

}  // namespace testing_support
