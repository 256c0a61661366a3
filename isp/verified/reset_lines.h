#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/serial_backend.h"

namespace isp {

// How the adapter's DTR and RTS lines reach the part's RESET and ISP entry
// pins, and whether a pin is active while its line is asserted or while it
// is released (an inverting transistor on the way).
struct LineWiring {
  comm::ModemLine reset;
  comm::ModemLine isp;
  bool active_when_asserted;
};

// The wirings by their names on the command line, in the order help lists them.
struct NamedWiring {
  const char* name;
  LineWiring wiring;
};
const std::vector<NamedWiring>& KnownWirings();
std::optional<LineWiring> FindWiring(std::string_view name);

// Puts the part into its boot loader, and back into its firmware, through the
// RESET and ISP pins: the part samples the ISP pin as it leaves reset.
class PartReset {
 public:
  virtual ~PartReset() = default;
  // ISP active, RESET pulsed, then time for the boot loader to start.
  virtual void EnterBootLoader() = 0;
  // ISP inactive again, once the boot loader has answered.
  virtual void ReleaseIsp() = 0;
  // ISP inactive, RESET pulsed: the part starts its firmware.
  virtual void StartFirmware() = 0;
};

// The pin sequences on two modem lines, timed by a sleep that tests may
// replace. set_line(line, asserted) drives one line and says whether the
// device took it.
class ResetLines final : public PartReset {
 public:
  using SetLine = std::function<bool(comm::ModemLine line, bool asserted)>;
  using Sleep = std::function<void(std::uint32_t ms)>;

  ResetLines(LineWiring wiring, SetLine set_line, Sleep sleep);

  void EnterBootLoader() override;
  void ReleaseIsp() override;
  void StartFirmware() override;

  // Whether the device refused a line setting (a port without modem lines,
  // such as a pseudo-terminal): then the pins never moved.
  bool Refused() const { return refused_; }

  // How long RESET is held active, and how long the part is given after it.
  static constexpr std::uint32_t kResetPulseMs = 100;
  static constexpr std::uint32_t kStartUpMs = 100;

 private:
  void Drive(comm::ModemLine line, bool active);
  void PulseReset();

  LineWiring wiring_;
  SetLine set_line_;
  Sleep sleep_;
  bool refused_ = false;
};

}  // namespace isp
