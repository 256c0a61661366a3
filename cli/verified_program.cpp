#include "cli/verified_program.h"

#include <csignal>
#include <memory>

#include "cli/address_checks.h"
#include "cli/boot_session.h"
#include "cli/failure_text.h"
#include "cli/image_argument.h"
#include "cli/record/recording_report.h"
#include "cli/run_link.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "cli/shown_name.h"
#include "cli/stop_signals.h"
#include "isp/part_table.h"
#include "isp/run_log.h"
#include "isp/verified/programmer.h"

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
  const isp::ImageFindings findings = isp::JudgeImage(
      image, {options.erase_all, options.allow_partial_sector_0, options.allow_lock});
  for (const isp::Warning& warning : findings.warnings) display.Warned(warning);
  if (findings.refusal) {
    display.Error(ImageRefusalText(*findings.refusal, options.file));
    return false;
  }
  return true;
}

int RunVerifiedProgram(const ProgramOptions& options) {
  const std::unique_ptr<RunReport> report = MakeRunReport(options.link.output);
  RunLink link(options.link.port, options.link.output);
  std::vector<FileRole> files = {{"the image", options.file, false}};
  if (!options.record.empty()) files.push_back({"--record", options.record});
  if (const std::optional<std::string> collision = link.CollidingFiles(files, "--log")) {
    report->Error(*collision);
    report->NotStarted();
    return kExitUsage;
  }
  // From here on every run is recorded (with --record), refused ones too.
  RecordingReport display(*report, options.record, options.link.port, options.file);
  isp::FlashImage image;
  if (!PrepareImage(options, display, image)) {
    display.NotStarted();
    return kExitNotStarted;
  }
  display.Image(image);

  // From here on a stop signal ends the run before the next command goes
  // out, so the port and the log are still closed properly.
  const StopSignals stop;
  const LinkMessages messages = MessagesOf(display);
  if (!link.Open(options.link.baud, messages)) {
    display.NotStarted();
    return kExitNotStarted;
  }
  BootLink boot(link.Comm(), options.link, [&stop] { return stop.Requested(); });
  isp::Programmer programmer(boot.Client(), display);
  isp::ProgramSettings settings;
  settings.connect = boot.Connect();
  settings.erase_all = options.erase_all;
  settings.verify = options.verify;
  settings.verify_mode =
      options.verify_mode == "read" ? isp::VerifyMode::kRead : isp::VerifyMode::kRam;
  settings.run = options.link.run_firmware;
  settings.line_rate = LineRateRequestFor(options.link.fast_baud, options.link.crystal_khz);
  settings.identity = display.Identity();
  const std::optional<isp::Failure> failure = programmer.Run(image, settings);
  WarnIfLinesRefused(boot.Reset(), display);

  // The failure, if any, first; then the log's end and where it went.
  const auto close = [&] {
    if (link.Close(messages)) display.FileKept(isp::kRunLogName, link.LogPath());
  };
  if (!failure) {
    close();
    display.Finish(true);
    return display.Status(kExitComplete);
  }
  const bool stopped = failure->result.kind == isp::ResultKind::kStopped;
  display.Error(stopped ? StopText(stop.Signal())
                        : DescribeFailure(*failure, {options.link.port, options.link.baud,
                                                     options.file, "program"}));
  close();
  display.Finish(false);
  if (stopped) return StoppedExitStatus(stop.Signal());
  if (failure->reason == isp::FailureReason::kOutsideFlash) return kExitNotStarted;
  return kExitFailed;
}

}  // namespace cli
