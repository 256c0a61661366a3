#include "cli/boot_session.h"

#include "cli/console.h"
#include "cli/failure_text.h"
#include "cli/output_options.h"
#include "cli/port_argument.h"
#include "cli/program_command.h"
#include "cli/run_log_choice.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "cli/shown_name.h"
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

BootSession::BootSession(const LinkOptions& options, const char* command)
    : options_(options), command_(command), display_(MakeRunReport(options.output)) {}

BootSession::~BootSession() {
  Close();
}

bool BootSession::Start(int& status) {
  stop_.emplace();
  const bool opened =
      comm_.CommOpen(PortArgumentPath(options_.port).c_str(), static_cast<int>(options_.baud));
  if (PortUsersMatter(opened, comm_.LastOpenError())) {
    const std::string users = OtherUsersWarnings(options_.port);
    if (!users.empty()) display_->Notice(users);
  }
  if (!opened) {
    display_->Error(PortOpenFailureText(options_.port, comm_.LastOpenError()));
    status = NotStarted();
    return false;
  }
  open_ = true;
  std::string why;
  logged_ = AttachChosenLog(comm_, options_.output, why);
  if (!logged_ && !why.empty()) {
    display_->Warning("\"" + ShownName(options_.output.log_path) + "\" not written: " + why);
  }
  link_.emplace(comm_);
  client_.emplace(*link_, options_.baud, [this] { return stop_->Requested(); });
  reset_ = MakeResetLines(comm_, options_.isp_lines);
  const isp::ConnectSettings settings{options_.crystal_khz, options_.start_isp, reset_.get()};
  std::optional<isp::Failure> failure = isp::ConnectToPart(*client_, *display_, settings);
  WarnIfLinesRefused(reset_.get(), *display_);
  if (!failure) failure = isp::IdentifyPart(*client_, *display_, part_);
  if (!failure) {
    failure = isp::RaiseLineRate(*client_, *display_, *part_,
                                 LineRateRequestFor(options_.fast_baud, options_.crystal_khz));
  }
  if (!failure) return true;
  status = Finish(failure);
  return false;
}

void BootSession::Close() {
  if (!open_) return;
  open_ = false;
  // The part is left running its firmware whenever the lines can do it.
  if (reset_) reset_->StartFirmware();
  std::string why;
  const bool whole = isp::DetachRunLog(comm_, &why);
  comm_.CommClose();
  if (!logged_) return;
  if (!whole) display_->Warning(LogIncompleteText(options_.output.log_path, why));
  display_->FileKept(isp::kRunLogName, AbsolutePath(options_.output.log_path));
}

int BootSession::Finish(const std::optional<isp::Failure>& work_failure, const std::string& file) {
  std::optional<isp::Failure> failure = work_failure;
  // With the adapter's lines the close resets the part into its firmware;
  // without them the restart routine does it, as at the end of a program run.
  const bool start_firmware = !failure && options_.run_firmware && !reset_ && client_ && part_;
  // A part left in its boot loader goes back to the rate it was synchronised
  // at; the adapter's lines reset it at the close anyway.
  if (!start_firmware && !reset_ && client_) isp::RestoreLineRate(*client_, options_.baud, failure);
  if (start_firmware) {
    failure = isp::StartFirmware(*client_, *display_, part_->ram_buffer_start, nullptr);
  }
  if (client_ && client_->Resends() > 0) {
    display_->Warned(
        isp::Warning{isp::WarningKind::kResends, isp::ProtectionLevel::kNone, client_->Resends()});
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
  if (!reset_ && client_) isp::RestoreLineRate(*client_, options_.baud, std::nullopt);
  Close();
  display_->Finish(false);
  return kExitFailed;
}

}  // namespace cli
