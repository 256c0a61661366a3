#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "line_pacer.hpp"
#include "pty_port.hpp"
#include "sim_clock.hpp"
#include "simulated_part.hpp"
#include "slave_watch.hpp"
#include "stop_signals.hpp"
#include "uart_rate.hpp"
#include "xon_xoff_signals.hpp"

namespace isp_sim {

enum class SessionEnd {
  kStopSignal,   // SIGTERM or SIGINT
  kHostHungUp,   // --once: the host closed the port
  kReset,        // --once: the part reset
  kHangUpFault,  // --hangup-after: the simulator drops the line
  kPortFailed,
};

// Moves bytes between the pty and the part until the session ends. With a line rate, host input
// is taken from the pty no faster than a UART at that rate receives it, and the part's output
// leaves at the same pace; without one, both move at once. While the part is busy (erasing or
// programming) it takes nothing in. Output produced while no host has the port open is lost, as
// on a real wire.
class SessionRunner {
 public:
  struct Settings {
    std::uint32_t baud_rate = 0;
    unsigned xon_xoff_every = 0;
    bool once = false;
  };

  SessionRunner(SimulatedPart& part, PtyPort& port, SlaveWatch& watch, StopSignals& signals,
                Settings settings);

  SessionEnd run();

 private:
  void collect_output(TimePoint now);
  void send_due_output(TimePoint now);
  std::optional<SessionEnd> wait_for_events(TimePoint now);
  std::optional<SessionEnd> follow_host();
  std::optional<SessionEnd> take_host_input(bool input_ready);
  std::string read_pending_input();
  void feed_part(TimePoint now);
  bool wants_input(TimePoint now) const;
  void check_part();
  void finish_after_drain(SessionEnd reason);
  bool drained(TimePoint now) const;
  std::optional<timespec> poll_timeout(TimePoint now) const;
  void take_input(std::string& input);
  void follow_rate_change();
  void pace_at(std::uint32_t rate);
  LineRateBytes& bytes_at_rate();

  SimulatedPart& part_;
  PtyPort& port_;
  SlaveWatch& watch_;
  StopSignals& signals_;
  Settings settings_;
  LinePacer pacer_;
  LinePacer input_pacer_;
  XonXoffSignals flow_control_;

  std::string payload_;   // the part's output, before the flow-control signals
  std::string outgoing_;  // bytes for the line
  std::string incoming_;  // taken from the line, not yet taken by the part (it got busy)
  bool write_blocked_ = false;
  TimePoint last_write_{};
  unsigned resets_seen_ = 0;
  UartRate uart_;
  std::optional<std::uint32_t> rate_change_;  // asked by B, taken once its answer is out
  bool rate_changed_ = false;                 // the pace is B's, not settings_.baud_rate
  std::optional<SessionEnd> finishing_;
  TimePoint finish_deadline_{};
};

}  // namespace isp_sim
