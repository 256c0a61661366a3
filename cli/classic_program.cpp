#include "cli/classic_program.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cli/console.h"
#include "cli/json_lines.h"
#include "cli/progress_display.h"
#include "cli/run_link.h"
#include "cli/run_outcome.h"
#include "cli/shown_name.h"
#include "cli/stop_signals.h"
#include "cli/terminal_window.h"
#include "comm/clock.h"
#include "isp/classic/isp_engine.h"
#include "isp/run_log.h"

namespace cli {
namespace {

constexpr unsigned kRunBaud = 115200;

bool RunEnds(int progress) {
  return progress == isp::kProgressFailed || progress >= isp::kProgressDone;
}

}  // namespace

int RunClassicProgram(const ProgramOptions& options) {
  const std::uint32_t run_started = comm::MonotonicMs();
  const auto seconds_since = [](std::uint32_t since) {
    return static_cast<std::uint32_t>(comm::MonotonicMs() - since) / 1000.0;
  };
  const OutputStyle out = StyleOf(stdout);
  const OutputOptions& output = options.link.output;
  std::unique_ptr<JsonLines> json;
  if (output.json) json = std::make_unique<JsonLines>(stdout);
  ProgressDisplay display(stdout, out.redraw && !json, output.quiet || json != nullptr,
                          [] { return TerminalColumns(stdout); });
  TerminalWindow window(display, options.link.start_isp,
                        {out.colour, StyleOf(stderr).colour, output.quiet}, json.get());
  RunLink link(options.link.port, output);
  // The window's manner: the connection's light goes red before the error.
  const LinkMessages messages = {[&window](const std::string& text) { window.Warning(text); },
                                 [&window](const std::string& text) {
                                   window.SetLightState(isp::Light::ConnectedPanel,
                                                        isp::LightState::Failed);
                                   window.Error(text);
                                 }};

  if (const std::optional<std::string> collision = link.CollidingFiles(
          {{"the image", options.file, false}, {"the rejected block", "block.bin"}}, "--log")) {
    window.Error(*collision);
    return kExitUsage;
  }
  isp::IspEngine engine(link.Comm(), window);
  window.LoadingFile(options.file);
  const bool loaded = engine.LoadHexFile(options.file.c_str()) != 0;
  window.LoadingFile("");
  // A script gets its result also when nothing was sent.
  const auto not_started = [&] {
    if (json) json->Result(false, 0, seconds_since(run_started), 0);
    return kExitNotStarted;
  };
  if (!loaded) return not_started();

  // From here on a stop signal ends the run between two ticks, so the port
  // and the log are still closed properly.
  const StopSignals stop;
  if (!link.Open(kRunBaud, messages)) return not_started();
  window.SetLightState(isp::Light::ConnectedPanel, isp::LightState::Done);

  int progress = 0;
  int shown_percent = -1;
  bool stopped = false;
  // The write: from the tick that sent its first bytes to the one that sent its last.
  std::uint32_t write_began = 0;
  std::uint32_t write_ended = 0;
  std::int32_t sent = 0;
  display.Show(progress);
  do {
    // Like the window's timer: the next tick comes one interval after the
    // previous one ended.
    comm::SleepMs(static_cast<std::uint32_t>(window.Timer1Interval()));
    // A stop signal ends the run before the next command goes out.
    if (stop.Requested()) {
      window.Error(StopText(stop.Signal()));
      progress = isp::kProgressFailed;
      stopped = true;
      break;
    }
    const std::uint32_t tick_began = comm::MonotonicMs();
    progress = engine.IspStep();
    display.Show(progress);
    const auto& state = engine.RunState();
    const std::int32_t now_sent = state.BytesTotal - state.BytesRemaining;
    if (now_sent != sent) {
      if (sent == 0) write_began = tick_began;
      write_ended = comm::MonotonicMs();
      sent = now_sent;
    }
    if (json && progress >= 0 && progress / 10 != shown_percent) {
      shown_percent = progress / 10;
      json->Progress(static_cast<std::uint32_t>(state.BytesTotal - state.BytesRemaining),
                     static_cast<std::uint32_t>(state.BytesTotal));
    }
  } while (!RunEnds(progress));
  const double write_seconds = static_cast<std::uint32_t>(write_ended - write_began) / 1000.0;

  display.Finish();
  const bool logged = link.Close(messages);
  const bool failed = progress == isp::kProgressFailed;
  if (failed && !stopped) window.ReportUnshownFailure();
  std::vector<std::pair<std::string, std::string>> kept;
  if (logged) kept.emplace_back(isp::kRunLogName, link.LogPath());
  for (const std::string& name : window.FilesWritten()) kept.emplace_back(name, AbsolutePath(name));
  const auto written =
      static_cast<std::uint32_t>(engine.RunState().BytesTotal - engine.RunState().BytesRemaining);
  if (json) {
    for (const auto& [name, path] : kept) json->File(name, path);
    json->Result(!failed, written, seconds_since(run_started), write_seconds);
  } else {
    if (!output.quiet) {
      for (const auto& [name, path] : kept) {
        std::string label = name == isp::kRunLogName ? "Traffic log" : "Saved";
        label.resize(16, ' ');
        std::printf("%s%s\n", label.c_str(), ShownName(path).c_str());
      }
    }
    std::printf("%s\n", failed ? "Failed!" : "Complete.");
  }
  std::fflush(stdout);
  if (stopped) return StoppedExitStatus(stop.Signal());
  return failed ? kExitFailed : kExitComplete;
}

}  // namespace cli
