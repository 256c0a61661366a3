#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "line_pacer.hpp"
#include "pty_port.hpp"
#include "sim_clock.hpp"
#include "simulated_part.hpp"
#include "slave_watch.hpp"
#include "stop_signals.hpp"

namespace isp_sim {

enum class SessionEnd {
  kStopSignal,   // SIGTERM or SIGINT
  kHostHungUp,   // --once: the host closed the port
  kReset,        // --once: the part reset
  kHangUpFault,  // --hangup-after: the simulator drops the line
  kPortFailed,
};

// Moves bytes between the pty and the part until the session ends: host input goes to the part
// at once, the part's output leaves at the pace of the line. Output produced while no host has
// the port open is lost, as on a real wire.
class SessionRunner {
 public:
  struct Settings {
    std::uint32_t baud_rate = 0;
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
  std::optional<SessionEnd> take_host_input();
  std::string read_pending_input();
  void check_part();
  void finish_after_drain(SessionEnd reason);
  bool drained(TimePoint now) const;
  int poll_timeout_ms(TimePoint now) const;

  SimulatedPart& part_;
  PtyPort& port_;
  SlaveWatch& watch_;
  StopSignals& signals_;
  Settings settings_;
  LinePacer pacer_;

  std::string outgoing_;
  bool write_blocked_ = false;
  TimePoint last_write_{};
  unsigned resets_seen_ = 0;
  std::optional<SessionEnd> finishing_;
  TimePoint finish_deadline_{};
};

}  // namespace isp_sim
