#include "cli/verified_program.h"

#include <chrono>
#include <csignal>

#include "cli/boot_session.h"
#include "cli/console.h"
#include "cli/failure_text.h"
#include "cli/image_argument.h"
#include "cli/port_argument.h"
#include "cli/run_display.h"
#include "cli/run_outcome.h"
#include "cli/stop_signals.h"
#include "comm/comm.h"
#include "isp/boot_client.h"
#include "isp/isp_link.h"
#include "isp/part_table.h"
#include "isp/programmer.h"
#include "isp/run_log.h"

namespace cli {
namespace {

double MonotonicSeconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(now).count();
}

// Everything the file alone tells: refused before the port is opened.
bool PrepareImage(const ProgramOptions& options, RunDisplay& display, isp::FlashImage& image) {
  std::string error;
  bool no_vector_table = false;
  if (!LoadImageArgument({options.file, options.address, options.address_given}, image, error,
                         no_vector_table)) {
    display.Error(error);
    return false;
  }
  if (no_vector_table) display.Warned({isp::WarningKind::kNoVectorTable});
  const isp::ProtectionLevel level = isp::ProtectionOf(image);
  if (isp::LocksThePart(level) && !options.allow_lock) {
    display.Error(options.file + " sets " + isp::ProtectionName(level) + " (word " +
                  HexAddress(image.Word(isp::kProtectionWordAddress)) +
                  " at 0x2FC), which locks the part out of its boot loader for good: give "
                  "--allow-lock if that is meant");
    return false;
  }
  if (level != isp::ProtectionLevel::kNone) {
    display.Warned({isp::WarningKind::kProtection, level});
  }
  return true;
}

}  // namespace

int RunVerifiedProgram(const ProgramOptions& options) {
  // The display redraws its line with escape sequences.
  const bool terminal = TakesEscapes(stdout);
  RunDisplay display(stdout, stderr, terminal, terminal ? RunDisplay::TerminalWidth(stdout) : 80,
                     MonotonicSeconds);
  isp::FlashImage image;
  if (!PrepareImage(options, display, image)) return kExitNotStarted;

  // From here on a stop signal ends the run before the next command goes
  // out, so the port and the log are still closed properly.
  const StopSignals stop;
  const std::string users = OtherUsersWarnings(options.port);
  if (!users.empty()) display.Notice(users);
  comm::Comm comm;
  if (!comm.CommOpen(PortArgumentPath(options.port).c_str(), static_cast<int>(options.baud))) {
    display.Error(OpenFailureText(options.port, comm.LastOpenError()));
    return kExitNotStarted;
  }
  std::string why;
  if (!isp::AttachRunLog(comm, &why)) {
    display.Warning(std::string("\"") + isp::kRunLogName + "\" not written: " + why);
  }
  isp::CommLink link(comm);
  isp::BootClient client(link, options.baud, [&stop] { return stop.Requested(); });
  const std::unique_ptr<isp::ResetLines> reset = MakeResetLines(comm, options.isp_lines);
  isp::Programmer programmer(client, display);
  isp::ProgramSettings settings;
  settings.crystal_khz = options.crystal_khz;
  settings.start_boot_loader = options.start_isp;
  settings.erase_all = options.erase_all;
  settings.verify = options.verify;
  settings.run = options.run;
  settings.reset = reset.get();
  const std::optional<isp::Failure> failure = programmer.Run(image, settings);
  WarnIfLinesRefused(reset.get(), display);

  isp::DetachRunLog(comm);
  comm.CommClose();
  if (!failure) {
    display.Finish(true);
    return kExitComplete;
  }
  const bool stopped = failure->result.kind == isp::ResultKind::kStopped;
  display.Error(stopped ? StopText(stop.Signal())
                        : DescribeFailure(*failure, {options.port, options.baud, options.file}));
  display.Finish(false);
  if (stopped) return StoppedExitStatus(stop.Signal());
  if (failure->reason == isp::FailureReason::kOutsideFlash) return kExitNotStarted;
  return kExitFailed;
}

}  // namespace cli
