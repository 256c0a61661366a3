#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/serial_backend.h"

namespace testing_support {

// For tests of the time limits: makes one received byte come late as the
// serial unit's clock sees it. The byte is the first one that the host reads
// after the given text (counted from Arm); when it comes in, the serial
// unit's clock moves on by delay_ms at once, so a test of a 1000 ms limit
// does not wait a second for it.
class LateByteCue {
 public:
  enum class Taken {
    kByALaterRead,      // the read that sees the clock move gets nothing; the byte waits
    kByTheWaitingRead,  // the read that was waiting gets the byte, with the clock moved
  };

  // The serial unit whose clock moves (by its tick_offset).
  void UseClockOf(comm::Comm& comm) { clock_ = &comm; }
  void Arm(std::string after, std::uint32_t delay_ms, Taken taken = Taken::kByALaterRead);
  // Whether the late byte has come.
  bool Fired() const { return fired_; }

  // For the backend: whether the next byte read is the late one; then the
  // clock moves on. Otherwise the byte counts towards the text.
  bool LateNow();
  void Saw(std::uint8_t byte);
  Taken HowTaken() const { return taken_; }

 private:
  comm::Comm* clock_ = nullptr;
  bool armed_ = false;
  bool fired_ = false;
  std::string after_;
  std::string seen_;
  std::uint32_t delay_ms_ = 0;
  Taken taken_ = Taken::kByALaterRead;
};

// Backends that pass everything to the host's backend (so they talk to a
// pseudo-terminal) and let the cue hold a byte back.
comm::SerialBackendFactory LateByteSerialFactory(std::shared_ptr<LateByteCue> cue);

}  // namespace testing_support
