#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "comm/comm.h"

namespace isp {

// The serial line as the boot-loader client sees it: a bulk write, a read
// that takes what has arrived or waits up to a deadline, and a clock.
class IspLink {
 public:
  virtual ~IspLink() = default;
  // False when the line did not take every byte.
  virtual bool Send(std::string_view bytes) = 0;
  // What has arrived, up to max bytes, at once; otherwise waits up to
  // timeout_ms for the first byte. 0 when nothing came.
  virtual std::size_t Receive(std::uint8_t* buffer, std::size_t max, std::uint32_t timeout_ms) = 0;
  // Whether the far end has hung up.
  virtual bool LineLost() const = 0;
  // Milliseconds of a monotonic clock.
  virtual std::uint32_t NowMs() const = 0;
  // Changes the line rate once what was sent has left; false when the line
  // cannot take the rate (it keeps the old one then).
  virtual bool SetLineRate(unsigned baud) {
    static_cast<void>(baud);
    return false;
  }
};

// The link over the serial unit, so that every byte passes its traffic log
// and monitor hooks.
class CommLink final : public IspLink {
 public:
  explicit CommLink(comm::Comm& comm) : comm_(comm) {}
  bool Send(std::string_view bytes) override;
  std::size_t Receive(std::uint8_t* buffer, std::size_t max, std::uint32_t timeout_ms) override;
  bool LineLost() const override { return comm_.LineLost(); }
  std::uint32_t NowMs() const override;
  bool SetLineRate(unsigned baud) override { return comm_.SetLineRate(static_cast<int>(baud)); }

 private:
  comm::Comm& comm_;
};

}  // namespace isp
