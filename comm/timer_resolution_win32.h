#pragma once

namespace comm::win32 {

// Raises the system timer's resolution to 1 ms while it lives. With the
// default 15.6 ms tick every Sleep and every serial time-out of 20 ms would
// last 31 ms. Held by an open port, so it lasts as long as a run or a
// module command and goes with the port.
class TimerResolution {
 public:
  TimerResolution();
  ~TimerResolution();
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;

 private:
  bool raised_ = false;
};

}  // namespace comm::win32
