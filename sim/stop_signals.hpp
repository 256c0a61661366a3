#pragma once

namespace isp_sim {

// SIGTERM and SIGINT as a readable descriptor, so that the event loop ends the session in an
// orderly way and still writes its files. The signals stay blocked for the guard's lifetime.
class StopSignals {
 public:
  StopSignals();  // throws std::system_error
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  int fd() const { return fd_; }
  // True when a stop signal has arrived (consumes it).
  bool take();

 private:
  int fd_ = -1;
};

}  // namespace isp_sim
