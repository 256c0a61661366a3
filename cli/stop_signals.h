#pragma once

namespace cli {

// The signals that end a run between two commands, so that the port and
// "commlog.txt" are still closed properly: Ctrl-C (SIGINT), SIGTERM (a
// `timeout`, a cancelled CI job) and SIGHUP (a closed terminal). While the
// guard lives, SIGPIPE is ignored too, so that a reader of the output that
// goes away cannot kill the run half-way. Installed for the length of a run;
// the previous handlers come back when the guard goes.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Whether a stop signal has come since the guard was made.
  bool Requested() const;
  // The number of the signal that came first (0 when none came).
  int Signal() const;
};

}  // namespace cli
