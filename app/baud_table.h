#pragma once

#include <iterator>

namespace app {

// Programming runs and module commands always run at this speed.
inline constexpr int kRunBaud = 115200;

// The line speeds of SpeedBox, in its order; SpeedIndex selects one.
inline constexpr int kBaudTable[] = {2400, 4800, 9600, 19200, 38400, 115200};
inline constexpr int kBaudTableSize = static_cast<int>(std::size(kBaudTable));
inline constexpr int kDefaultSpeedIndex = 5;  // 115200

// The speed at SpeedIndex. An index outside the table (a hand-edited
// setting) never indexes it: such a connection runs at 115200.
constexpr int BaudForSpeedIndex(int speed_index) {
  return speed_index >= 0 && speed_index < kBaudTableSize ? kBaudTable[speed_index] : kRunBaud;
}

}  // namespace app
