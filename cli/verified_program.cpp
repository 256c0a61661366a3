#include "cli/verified_program.h"

#include <csignal>
#include <memory>

#include "cli/address_checks.h"
#include "cli/boot_session.h"
#include "cli/failure_text.h"
#include "cli/file_collisions.h"
#include "cli/image_argument.h"
#include "cli/port_argument.h"
#include "cli/run_log_choice.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "cli/shown_name.h"
#include "cli/stop_signals.h"
#include "comm/comm.h"
#include "isp/part_table.h"
#include "isp/run_log.h"
#include "isp/verified/programmer.h"
#include "isp/wire/boot_client.h"
#include "isp/wire/isp_link.h"

namespace cli {

bool PrepareImage(const ProgramOptions& options, RunReport& display, isp::FlashImage& image) {
  std::string error;
  bool no_vector_table = false;
  if (!LoadImageArgument({options.file, options.address, options.address_given}, image, error,
                         no_vector_table)) {
    display.Error(error);
    return false;
  }
  const std::string address_warning =
      options.address_given ? AddressWarning(options.address_text, options.address) : "";
  if (!address_warning.empty()) display.Warning(address_warning);
  if (const auto refusal = PartialSectorZeroRefusal(image);
      refusal && !options.allow_partial_sector_0) {
    display.Error(*refusal);
    return false;
  }
  // "Left as it is" only where it is true: an image in sector 0 or
  // --erase-all erases it.
  if (no_vector_table) {
    display.Warned({TouchesSectorZero(image) || options.erase_all
                        ? isp::WarningKind::kSectorZeroErased
                        : isp::WarningKind::kNoVectorTable});
  }
  const isp::ProtectionLevel level = isp::ProtectionOf(image);
  if (isp::LocksThePart(level) && !options.allow_lock) {
    display.Error(ShownName(options.file) + " sets " + isp::ProtectionName(level) + " (word " +
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

int RunVerifiedProgram(const ProgramOptions& options) {
  const std::unique_ptr<RunReport> report = MakeRunReport(options.output);
  RunReport& display = *report;
  std::vector<FileRole> files = {{"the image", options.file, false}};
  if (!options.output.no_log) files.push_back({"--log", options.output.log_path});
  if (const std::optional<std::string> collision = CollidingFiles(files)) {
    display.Error(*collision);
    display.NotStarted();
    return kExitUsage;
  }
  isp::FlashImage image;
  if (!PrepareImage(options, display, image)) {
    display.NotStarted();
    return kExitNotStarted;
  }

  // From here on a stop signal ends the run before the next command goes
  // out, so the port and the log are still closed properly.
  const StopSignals stop;
  comm::Comm comm;
  const bool opened =
      comm.CommOpen(PortArgumentPath(options.port).c_str(), static_cast<int>(options.baud));
  if (PortUsersMatter(opened, comm.LastOpenError())) {
    const std::string users = OtherUsersWarnings(options.port);
    if (!users.empty()) display.Notice(users);
  }
  if (!opened) {
    display.Error(PortOpenFailureText(options.port, comm.LastOpenError()));
    display.NotStarted();
    return kExitNotStarted;
  }
  std::string why;
  const bool logged = AttachChosenLog(comm, options.output, why);
  if (!logged && !why.empty()) {
    display.Warning("\"" + ShownName(options.output.log_path) + "\" not written: " + why);
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
  settings.verify_mode =
      options.verify_mode == "read" ? isp::VerifyMode::kRead : isp::VerifyMode::kRam;
  settings.run = options.run;
  settings.reset = reset.get();
  const std::optional<isp::Failure> failure = programmer.Run(image, settings);
  WarnIfLinesRefused(reset.get(), display);

  std::string log_why;
  const bool log_whole = isp::DetachRunLog(comm, &log_why);
  comm.CommClose();
  const auto log_kept = [&] {
    if (!logged) return;
    if (!log_whole) display.Warning(LogIncompleteText(options.output.log_path, log_why));
    display.FileKept(isp::kRunLogName, AbsolutePath(options.output.log_path));
  };
  if (!failure) {
    log_kept();
    display.Finish(true);
    return kExitComplete;
  }
  const bool stopped = failure->result.kind == isp::ResultKind::kStopped;
  display.Error(
      stopped ? StopText(stop.Signal())
              : DescribeFailure(*failure, {options.port, options.baud, options.file, "program"}));
  log_kept();
  display.Finish(false);
  if (stopped) return StoppedExitStatus(stop.Signal());
  if (failure->reason == isp::FailureReason::kOutsideFlash) return kExitNotStarted;
  return kExitFailed;
}

}  // namespace cli
