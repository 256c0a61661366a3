#include "cli/boot_session.h"

#include <utility>

#include "cli/failure_text.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "comm/clock.h"
#include "isp/run_log.h"
#include "isp/verified/line_rate_switch.h"
#include "isp/verified/part_connection.h"

namespace cli {
namespace {

// Refusals of what was asked, found once the part was known: nothing was done.
bool RefusedRequest(isp::FailureReason reason) {
  return reason == isp::FailureReason::kOutsideFlash ||
         reason == isp::FailureReason::kNoSuchSectors ||
         reason == isp::FailureReason::kRangeOutsideFlash ||
         reason == isp::FailureReason::kWindowHidden;
}

}  // namespace

std::unique_ptr<isp::ResetLines> MakeResetLines(comm::Comm& comm, const std::string& wiring) {
  const std::optional<isp::LineWiring> found = isp::FindWiring(wiring);
  if (!found) return nullptr;
  return std::make_unique<isp::ResetLines>(
      *found,
      [&comm](comm::ModemLine line, bool asserted) { return comm.SetModemLine(line, asserted); },
      [](std::uint32_t ms) { comm::SleepMs(ms); });
}

void WarnIfLinesRefused(const isp::ResetLines* lines, RunReport& display) {
  if (lines != nullptr && lines->Refused()) {
    display.Warning(
        "the port did not take the DTR/RTS settings, so --isp-lines could not reset the part");
  }
}

BootLink::BootLink(comm::Comm& comm, const LinkOptions& options,
                   std::function<bool()> stop_requested)
    : link_(comm),
      client_(link_, options.baud, std::move(stop_requested)),
      reset_(MakeResetLines(comm, options.isp_lines)),
      connect_{options.crystal_khz, options.start_isp, reset_.get()} {}

BootSession::BootSession(const LinkOptions& options, const char* command)
    : options_(options),
      command_(command),
      display_(MakeRunReport(options.output)),
      link_(options.port, options.output) {}

BootSession::~BootSession() {
  Close();
}

bool BootSession::FilesApart(std::vector<FileRole> files, int& status) {
  const std::optional<std::string> collision =
      link_.CollidingFiles(std::move(files), "the traffic log");
  if (!collision) return true;
  display_->Error(*collision);
  display_->NotStarted();
  status = kExitUsage;
  return false;
}

bool BootSession::Start(int& status) {
  stop_.emplace();
  if (!link_.Open(options_.baud, MessagesOf(*display_))) {
    status = NotStarted();
    return false;
  }
  boot_.emplace(link_.Comm(), options_, [this] { return stop_->Requested(); });
  std::optional<isp::Failure> failure =
      isp::ConnectToPart(boot_->Client(), *display_, boot_->Connect());
  WarnIfLinesRefused(boot_->Reset(), *display_);
  if (!failure) failure = isp::IdentifyPart(boot_->Client(), *display_, part_);
  if (!failure) {
    failure = isp::RaiseLineRate(boot_->Client(), *display_, *part_,
                                 LineRateRequestFor(options_.fast_baud, options_.crystal_khz));
  }
  if (!failure) return true;
  status = Finish(failure);
  return false;
}

void BootSession::Close() {
  if (!link_.IsOpen()) return;
  // The part is left running its firmware whenever the lines can do it.
  if (boot_ && boot_->Reset() != nullptr) boot_->Reset()->StartFirmware();
  if (link_.Close(MessagesOf(*display_))) display_->FileKept(isp::kRunLogName, link_.LogPath());
}

int BootSession::Finish(const std::optional<isp::Failure>& work_failure, const std::string& file) {
  std::optional<isp::Failure> failure = work_failure;
  // With the adapter's lines the close resets the part into its firmware;
  // without them the restart routine does it, as at the end of a program run.
  const bool reset_by_lines = boot_ && boot_->Reset() != nullptr;
  const bool start_firmware =
      !failure && options_.run_firmware && boot_ && !reset_by_lines && part_ != nullptr;
  // A part left in its boot loader goes back to the rate it was synchronised
  // at; the adapter's lines reset it at the close anyway.
  if (!start_firmware && boot_ && !reset_by_lines) {
    isp::RestoreLineRate(boot_->Client(), options_.baud, failure);
  }
  if (start_firmware) {
    failure = isp::StartFirmware(boot_->Client(), *display_, part_->ram_buffer_start, nullptr);
  }
  if (boot_ && boot_->Client().Resends() > 0) {
    display_->Warned(isp::Warning{isp::WarningKind::kResends, isp::ProtectionLevel::kNone,
                                  boot_->Client().Resends()});
  }
  if (!failure) {
    Close();
    display_->Finish(true);
    return kExitComplete;
  }
  // The result and its cause first, the log's place after them.
  const bool stopped = failure->result.kind == isp::ResultKind::kStopped;
  display_->Error(stopped
                      ? StopText(stop_->Signal())
                      : DescribeFailure(*failure, {options_.port, options_.baud, file, command_}));
  Close();
  display_->Finish(false);
  if (stopped) return StoppedExitStatus(stop_->Signal());
  return RefusedRequest(failure->reason) ? kExitNotStarted : kExitFailed;
}

int BootSession::NotStarted() {
  display_->NotStarted();
  return kExitNotStarted;
}

int BootSession::FinishFailed() {
  // The part still answers (its work found the fault): back to the rate it
  // was synchronised at, for the next run.
  if (boot_ && boot_->Reset() == nullptr) {
    isp::RestoreLineRate(boot_->Client(), options_.baud, std::nullopt);
  }
  Close();
  display_->Finish(false);
  return kExitFailed;
}

}  // namespace cli
