#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "boot_loader.hpp"
#include "firmware.hpp"
#include "part_memory.hpp"
#include "part_settings.hpp"
#include "session_report.hpp"
#include "sim_clock.hpp"
#include "wire.hpp"

namespace isp_sim {

// The whole part behind its UART: bytes in, timed bytes out. At power-on and after every reset
// it reads its code read protection and runs the firmware when the valid-user-code criterion
// holds (and the ISP entry pin is not held low, or the protection makes the ROM ignore it), else
// the ROM boot loader.
class SimulatedPart {
 public:
  explicit SimulatedPart(PartSettings settings, std::span<const std::uint8_t> flash_image = {});
  SimulatedPart(const SimulatedPart&) = delete;
  SimulatedPart& operator=(const SimulatedPart&) = delete;

  // Takes bytes until the part gets busy (erasing or programming) and returns how many it took;
  // the rest must wait until busy_until().
  std::size_t receive(std::string_view bytes, TimePoint now);
  bool busy(TimePoint now) const { return wire_.hold_until() > now; }
  TimePoint busy_until() const { return wire_.hold_until(); }
  // The reset pin (or a power cycle): a reset like any other.
  void press_reset() { reset(); }
  // Bytes due on the line by `now`, in order.
  std::string take_output(TimePoint now);
  std::optional<TimePoint> next_output_time() const { return wire_.next_release(); }
  // The rate B has asked the UART for, once (see BootLoader).
  std::optional<std::uint32_t> take_line_rate_request() {
    return boot_loader_.take_line_rate_request();
  }
  // Forgets output nobody is there to receive.
  void discard_output() { wire_.discard(); }

  bool running_firmware() const { return running_firmware_; }
  unsigned resets() const { return report_.resets; }
  bool hang_up_requested() const { return hang_up_requested_; }
  const PartMemory& memory() const { return memory_; }
  const SessionReport& report() const { return report_; }
  SessionReport& report() { return report_; }

 private:
  void handle(BootEvent event);
  void handle(FirmwareEvent event);
  void reset();
  void start_from_reset_vector();

  PartSettings settings_;
  PartMemory memory_;
  Wire wire_;
  SessionReport report_;
  BootLoader boot_loader_;
  Firmware firmware_;
  CrpLevel crp_level_ = CrpLevel::kNone;
  bool running_firmware_ = false;
  bool hang_up_requested_ = false;
};

}  // namespace isp_sim
