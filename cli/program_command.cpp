#include "cli/program_command.h"

#include <cstdio>

#include "cli/console.h"
#include "cli/port_argument.h"
#include "cli/progress_display.h"
#include "cli/stop_signals.h"
#include "cli/terminal_window.h"
#include "comm/clock.h"
#include "comm/comm.h"
#include "isp/isp_engine.h"
#include "isp/run_log.h"

namespace cli {
namespace {

constexpr int kRunBaud = 115200;

bool RunEnds(int progress) {
  return progress == isp::kProgressFailed || progress >= isp::kProgressDone;
}

}  // namespace

int RunProgram(const ProgramOptions& options) {
  ProgressDisplay display(stdout, IsTerminal(stdout));
  TerminalWindow window(display, options.start_isp, TakesEscapes(stdout));
  comm::Comm comm;
  isp::IspEngine engine(comm, window);

  if (!engine.LoadHexFile(options.file.c_str())) return kExitNotStarted;

  if (!comm.CommOpen(PortArgumentPath(options.port).c_str(), kRunBaud)) {
    window.SetLightColour(isp::Light::ConnectedPanel, isp::kLightRed);
    window.ShowErrorMessage("Unable to open Serial Port");
    return kExitNotStarted;
  }
  isp::AttachRunLog(comm);
  window.SetLightColour(isp::Light::ConnectedPanel, isp::kLightGreen);

  // Ctrl-C ends the run between two ticks, so the log is still closed properly.
  const StopSignals stop;
  int progress = 0;
  display.Show(progress);
  do {
    // Like the window's timer: the next tick comes one interval after the
    // previous one ended.
    comm::SleepMs(static_cast<std::uint32_t>(window.Timer1Interval()));
    // Ctrl-C ends the run before the next command goes out.
    if (stop.Requested()) {
      display.Clear();
      std::fprintf(stderr, "Error: interrupted\n");
      progress = isp::kProgressFailed;
      break;
    }
    progress = engine.IspStep();
    display.Show(progress);
  } while (!RunEnds(progress));

  isp::DetachRunLog(comm);
  comm.CommClose();
  display.Finish();
  const bool failed = progress == isp::kProgressFailed;
  std::printf("%s\n", failed ? "Failed!" : "Complete.");
  return failed ? kExitFailed : kExitComplete;
}

}  // namespace cli
