#include "cli/program_command.h"

#include <cstdio>
#include <string>

#include "cli/console.h"
#include "cli/port_argument.h"
#include "cli/progress_display.h"
#include "cli/run_outcome.h"
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

  // From here on a stop signal ends the run between two ticks, so the port
  // and the log are still closed properly.
  const StopSignals stop;
  std::fputs(OtherUsersWarnings(options.port).c_str(), stderr);
  std::fflush(stderr);
  if (!comm.CommOpen(PortArgumentPath(options.port).c_str(), kRunBaud)) {
    window.SetLightColour(isp::Light::ConnectedPanel, isp::kLightRed);
    window.ShowErrorMessage("Unable to open Serial Port");
    return kExitNotStarted;
  }
  std::string why;
  if (!isp::AttachRunLog(comm, &why)) window.FileNotWritten(isp::kRunLogName, why.c_str());
  window.SetLightColour(isp::Light::ConnectedPanel, isp::kLightGreen);

  int progress = 0;
  bool stopped = false;
  display.Show(progress);
  do {
    // Like the window's timer: the next tick comes one interval after the
    // previous one ended.
    comm::SleepMs(static_cast<std::uint32_t>(window.Timer1Interval()));
    // A stop signal ends the run before the next command goes out.
    if (stop.Requested()) {
      display.Clear();
      std::fprintf(stderr, "Error: %s\n", StopText(stop.Signal()));
      progress = isp::kProgressFailed;
      stopped = true;
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
  if (stopped) return StoppedExitStatus(stop.Signal());
  return failed ? kExitFailed : kExitComplete;
}

}  // namespace cli
