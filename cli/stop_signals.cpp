#include "cli/stop_signals.h"

#include <csignal>

namespace cli {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

void OnStopSignal(int number) {
  if (g_stop_signal == 0) g_stop_signal = number;
}

using Handler = void (*)(int);
Handler g_previous_interrupt = SIG_DFL;

}  // namespace

StopSignals::StopSignals() {
  g_stop_signal = 0;
  g_previous_interrupt = std::signal(SIGINT, OnStopSignal);
}

StopSignals::~StopSignals() {
  std::signal(SIGINT, g_previous_interrupt);
}

bool StopSignals::Requested() const {
  return g_stop_signal != 0;
}

int StopSignals::Signal() const {
  return g_stop_signal;
}

}  // namespace cli
