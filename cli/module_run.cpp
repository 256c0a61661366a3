#include "cli/module_run.h"

#include <cstdio>
#include <ctime>

#include "cli/boot_session.h"
#include "cli/failure_text.h"
#include "cli/fast_baud_option.h"
#include "cli/run_outcome.h"
#include "isp/verified/part_connection.h"
#include "isp/verified/programmer.h"
#include "isp/wire/boot_client.h"
#include "isp/wire/isp_link.h"

namespace cli {
namespace {

// Passes every event on, and keeps what the record needs of them.
class RecordingEvents final : public RunReport {
 public:
  explicit RecordingEvents(RunReport& next) : next_(next) {}

  const isp::PartInfo* part = nullptr;
  std::uint32_t written = 0;

  void PhaseBegun(isp::Phase phase) override { next_.PhaseBegun(phase); }
  void Synchronised(bool already) override { next_.Synchronised(already); }
  void Identified(const isp::PartInfo& identified) override {
    part = &identified;
    next_.Identified(identified);
  }
  void Erased(const std::vector<isp::SectorSpan>& spans) override { next_.Erased(spans); }
  void BytesWritten(std::uint32_t done, std::uint32_t total) override {
    next_.BytesWritten(done, total);
  }
  void Written(std::uint32_t bytes) override {
    written = bytes;
    next_.Written(bytes);
  }
  void Verified(const isp::Verification& verification) override { next_.Verified(verification); }
  void Restarted() override { next_.Restarted(); }
  void Warned(const isp::Warning& warning) override { next_.Warned(warning); }
  void BytesRead(std::uint32_t done, std::uint32_t total) override { next_.BytesRead(done, total); }
  void Warning(const std::string& text) override { next_.Warning(text); }
  void LineRateSet(unsigned baud) override { next_.LineRateSet(baud); }
  void Error(const std::string& text) override { next_.Error(text); }
  void FileKept(const std::string& name, const std::string& path) override {
    next_.FileKept(name, path);
  }
  void Line(const char* label, const std::string& text) override { next_.Line(label, text); }
  void NotStarted() override { next_.NotStarted(); }
  void Finish(bool ok) override { next_.Finish(ok); }

 private:
  RunReport& next_;
};

// Whether the part can still be asked something after the failure: not
// when the line is gone or a stop was asked for.
bool PartStillAnswers(const std::optional<isp::Failure>& failure) {
  if (!failure) return true;
  switch (failure->result.kind) {
    case isp::ResultKind::kTimeOut:
    case isp::ResultKind::kLineLost:
    case isp::ResultKind::kStopped:
    case isp::ResultKind::kSendFailed:
      return false;
    default:
      return true;
  }
}

// The boot code version and serial number, as far as the part tells them.
void ReadRecordDetails(isp::BootClient& client, RunRecord& record) {
  unsigned major = 0;
  unsigned minor = 0;
  if (client.ReadBootCodeVersion(major, minor).Ok()) {
    record.boot_code = std::to_string(major) + "." + std::to_string(minor);
  }
  std::array<std::uint32_t, 4> words{};
  if (client.ReadSerialNumber(words).Ok()) record.part_serial = SerialNumberText(words);
}

}  // namespace

std::string UtcIsoTime(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string SerialNumberText(const std::array<std::uint32_t, 4>& words) {
  std::string text;
  for (const std::uint32_t word : words) {
    if (!text.empty()) text += " ";
    text += HexAddress(word);
  }
  return text;
}

ModuleRunResult ProgramModule(comm::Comm& comm, const isp::FlashImage& image,
                              const ProgramOptions& options, const std::string& port,
                              RunReport& events, const std::function<int()>& stop_signal) {
  const auto started = std::chrono::steady_clock::now();
  ModuleRunResult result;
  RunRecord& record = result.record;
  record.time_utc = UtcIsoTime(std::chrono::system_clock::now());
  record.port = port;
  record.file = options.file;

  RecordingEvents recording(events);
  isp::CommLink link(comm);
  std::function<bool()> stop_requested;
  if (stop_signal) stop_requested = [&stop_signal] { return stop_signal() != 0; };
  isp::BootClient client(link, options.link.baud, stop_requested);
  const std::unique_ptr<isp::ResetLines> reset = MakeResetLines(comm, options.link.isp_lines);
  isp::Programmer programmer(client, recording);
  isp::ProgramSettings settings;
  settings.connect = {.crystal_khz = options.link.crystal_khz,
                      .start_boot_loader = options.link.start_isp,
                      .reset = reset.get()};
  settings.line_rate = LineRateRequestFor(options.link.fast_baud, options.link.crystal_khz);
  settings.erase_all = options.erase_all;
  settings.verify = options.verify;
  settings.verify_mode =
      options.verify_mode == "read" ? isp::VerifyMode::kRead : isp::VerifyMode::kRam;
  // The part stays in its boot loader until its details are read.
  settings.run = false;
  result.failure = programmer.Run(image, settings);
  if (recording.part != nullptr && PartStillAnswers(result.failure)) {
    ReadRecordDetails(client, record);
  }
  if (!result.failure && options.link.run_firmware) {
    result.failure =
        isp::StartFirmware(client, recording, recording.part->ram_buffer_start, reset.get());
  }
  WarnIfLinesRefused(reset.get(), recording);

  if (recording.part != nullptr) {
    record.part_id = recording.part->id;
    record.part_name = recording.part->name;
  } else if (result.failure) {
    record.part_id = result.failure->part_id;
  }
  record.bytes = recording.written;
  record.passed = !result.failure;
  if (result.failure) {
    const int signal = stop_signal ? stop_signal() : 0;
    const bool stopped = result.failure->result.kind == isp::ResultKind::kStopped;
    record.error = stopped ? StopText(signal)
                           : DescribeFailure(*result.failure,
                                             {port, options.link.baud, options.file, "program"});
    recording.Error(record.error);
    if (stopped) {
      result.status = StoppedExitStatus(signal);
    } else if (result.failure->reason == isp::FailureReason::kOutsideFlash) {
      result.status = kExitNotStarted;
    } else {
      result.status = kExitFailed;
    }
  }
  record.duration_ms =
      static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - started)
                                     .count());
  return result;
}

}  // namespace cli
