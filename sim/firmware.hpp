#pragma once

#include "line_splitter.hpp"
#include "session_report.hpp"
#include "wire.hpp"

namespace isp_sim {

enum class FirmwareEvent {
  kNone,
  kEnterBootLoader,  // "!": the firmware hands over to the ROM boot loader
  kSystemReset,      // "*": immediate reset
};

// The module's own application firmware, as far as the serial link sees it.
class Firmware {
 public:
  Firmware(Wire& wire, SessionReport& report) : wire_(wire), report_(report) {}

  void restart() { lines_.clear(); }
  FirmwareEvent on_byte(char byte);

 private:
  FirmwareEvent on_line(const std::string& line);

  Wire& wire_;
  SessionReport& report_;
  LineSplitter lines_;
};

}  // namespace isp_sim
