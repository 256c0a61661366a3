#pragma once

#include <cstdint>

namespace comm {

// Colours of the traffic monitor, 24-bit blue-green-red values.
inline constexpr std::uint32_t kSentColour = 0xFF0000;      // blue
inline constexpr std::uint32_t kReceivedColour = 0x008000;  // dark green

// The front end's traffic monitor, as the serial unit sees it. The serial
// unit feeds it only while MonitorShown() is true.
class TrafficMonitor {
 public:
  virtual ~TrafficMonitor() = default;
  virtual bool MonitorShown() const = 0;
  // A sent text, shown as one line up to its first NUL byte.
  virtual void MonitorSent(std::uint32_t colour, const char* text, int count) = 0;
  // Received bytes (count >= 1), added to the current reply line.
  virtual void MonitorAppendRx(std::uint32_t colour, const std::uint8_t* bytes, int count) = 0;
};

}  // namespace comm
