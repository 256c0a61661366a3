#pragma once

#include "comm/traffic_monitor.h"

namespace app {

class TMainForm;

// How the serial unit reaches the window's traffic monitor.
class MonitorHook : public comm::TrafficMonitor {
 public:
  explicit MonitorHook(TMainForm& form) : form_(form) {}

  bool MonitorShown() const override;
  void MonitorSent(std::uint32_t colour, const char* text, int count) override;
  void MonitorAppendRx(std::uint32_t colour, const std::uint8_t* bytes, int count) override;

 private:
  TMainForm& form_;
};

}  // namespace app
