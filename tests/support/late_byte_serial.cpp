#include "tests/support/late_byte_serial.h"

#include <algorithm>
#include <utility>

namespace testing_support {

void LateByteCue::Arm(std::string after, std::uint32_t delay_ms, Taken taken) {
  after_ = std::move(after);
  delay_ms_ = delay_ms;
  taken_ = taken;
  seen_.clear();
  armed_ = true;
  fired_ = false;
}

bool LateByteCue::LateNow() {
  if (!armed_ || !seen_.ends_with(after_)) return false;
  armed_ = false;
  fired_ = true;
  clock_->tick_offset += delay_ms_;
  return true;
}

void LateByteCue::Saw(std::uint8_t byte) {
  if (!armed_) return;
  seen_.push_back(static_cast<char>(byte));
  // Only the tail can still complete the text.
  if (seen_.size() > 2 * after_.size() + 64) seen_.erase(0, seen_.size() - after_.size());
}

namespace {

class LateByteSerial : public comm::SerialBackend {
 public:
  explicit LateByteSerial(std::shared_ptr<LateByteCue> cue)
      : inner_(comm::MakeSystemSerialBackend()), cue_(std::move(cue)) {}

  bool Open(const char* device_path, comm::OpenError& error) override {
    return inner_->Open(device_path, error);
  }
  bool Configure(int baud) override { return inner_->Configure(baud); }
  bool SetModemLine(comm::ModemLine line, bool on) override {
    return inner_->SetModemLine(line, on);
  }
  int Read(std::uint8_t* buffer, int count, int timeout_ms) override {
    if (!held_.empty()) {
      const int given = std::min(count, static_cast<int>(held_.size()));
      std::copy_n(held_.begin(), given, buffer);
      held_.erase(held_.begin(), held_.begin() + given);
      return given;
    }
    const int got = inner_->Read(buffer, count, timeout_ms);
    for (int i = 0; i < got; ++i) {
      if (cue_->LateNow()) {
        if (cue_->HowTaken() == LateByteCue::Taken::kByTheWaitingRead) return got;
        held_.assign(buffer + i, buffer + got);
        return i;
      }
      cue_->Saw(buffer[i]);
    }
    return got;
  }
  int Write(const std::uint8_t* bytes, int count, int ms_per_byte) override {
    return inner_->Write(bytes, count, ms_per_byte);
  }
  void Drain(int ms_per_byte) override { inner_->Drain(ms_per_byte); }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<comm::SerialBackend> inner_;
  std::shared_ptr<LateByteCue> cue_;
  std::vector<std::uint8_t> held_;
};

}  // namespace

comm::SerialBackendFactory LateByteSerialFactory(std::shared_ptr<LateByteCue> cue) {
  return [cue = std::move(cue)] { return std::make_unique<LateByteSerial>(cue); };
}

}  // namespace testing_support
