#include "cli/stop_signals.h"

#include <csignal>

namespace cli {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

// The first signal asks the run to stop at its next safe point (after a
// data phase it is in); a second one ends the program at once, the way the
// signal would without this guard.
void OnStopSignal(int number) {
  if (g_stop_signal == 0) {
    g_stop_signal = number;
    return;
  }
  std::signal(number, SIG_DFL);
  std::raise(number);
}

using Handler = void (*)(int);

struct Guarded {
  int number;
  Handler handler;
  Handler previous;
};
Guarded g_guarded[] = {
    {SIGINT, OnStopSignal, SIG_DFL},
    {SIGTERM, OnStopSignal, SIG_DFL},
#ifdef SIGHUP
    {SIGHUP, OnStopSignal, SIG_DFL},
#endif
#ifdef SIGBREAK
    {SIGBREAK, OnStopSignal, SIG_DFL},  // Ctrl-Break in a Windows console
#endif
#ifdef SIGPIPE
    // A reader of our output that goes away must not end the run half-way.
    {SIGPIPE, SIG_IGN, SIG_DFL},
#endif
};

}  // namespace

StopSignals::StopSignals() {
  g_stop_signal = 0;
  for (Guarded& signal : g_guarded) {
    signal.previous = std::signal(signal.number, signal.handler);
    // A stop signal that came in ignored (nohup, a background job) stays so.
    if (signal.previous == SIG_IGN && signal.handler == OnStopSignal) {
      std::signal(signal.number, SIG_IGN);
    }
  }
}

StopSignals::~StopSignals() {
  for (const Guarded& signal : g_guarded) std::signal(signal.number, signal.previous);
}

bool StopSignals::Requested() const {
  return g_stop_signal != 0;
}

int StopSignals::Signal() const {
  return g_stop_signal;
}

}  // namespace cli
