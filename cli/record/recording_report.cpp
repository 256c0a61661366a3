#include "cli/record/recording_report.h"

#include "cli/output_options.h"
#include "cli/port_argument.h"
#include "cli/record/adapter_serial.h"
#include "cli/record/record_fields.h"
#include "cli/record/record_file.h"
#include "cli/record/record_time.h"
#include "cli/record/sha256.h"
#include "cli/record/station_host.h"
#include "cli/run_outcome.h"
#include "cli/shown_name.h"

namespace cli {

RunRecord StartRunRecord(const std::string& port, const std::string& file) {
  RunRecord record;
  record.time_utc = UtcText(std::chrono::system_clock::now());
  record.station_host = StationHost();
  record.port = port;
  record.adapter_serial = AdapterSerial(PortArgumentPath(port));
  record.file = file;
  return record;
}

std::string ImageDigest(const isp::FlashImage& image) {
  std::uint32_t first = 0;
  while (first < image.End() && !image.Placed(first, 1)) ++first;
  return Sha256Hex(image.Data() + first, image.End() - first);
}

RecordingReport::RecordingReport(RunReport& inner, RunRecord start, std::string record_path,
                                 Keeper keeper)
    : inner_(inner),
      record_(std::move(start)),
      record_path_(std::move(record_path)),
      keeper_(std::move(keeper)),
      started_(std::chrono::steady_clock::now()) {}

RecordingReport::RecordingReport(RunReport& inner, const std::string& record_path,
                                 const std::string& port, const std::string& file)
    : RecordingReport(
          inner, record_path.empty() ? RunRecord{} : StartRunRecord(port, file), record_path,
          record_path.empty() ? Keeper{} : Keeper{[record_path](const RunRecord& record) {
            return AppendRunRecord(record_path, record);
          }}) {}

void RecordingReport::Image(const isp::FlashImage& image) {
  if (keeper_) record_.image_sha256 = ImageDigest(image);
}

int RecordingReport::Status(int status) const {
  return not_kept_ && status == kExitComplete ? kExitFailed : status;
}

void RecordingReport::Identified(const isp::PartInfo& part) {
  record_.part_id = part.id;
  record_.part_name = part.name;
  inner_.Identified(part);
}

void RecordingReport::BytesWritten(std::uint32_t done, std::uint32_t total) {
  record_.bytes = done;
  inner_.BytesWritten(done, total);
}

void RecordingReport::Written(std::uint32_t bytes) {
  record_.bytes = bytes;
  inner_.Written(bytes);
}

void RecordingReport::Error(const std::string& text) {
  // The first error is the run's cause; what follows comes of it.
  if (!error_seen_ && !kept_) {
    error_seen_ = true;
    record_.error = text;
  }
  inner_.Error(text);
}

void RecordingReport::Keep(bool passed) {
  if (!keeper_ || kept_) return;
  kept_ = true;
  record_.passed = passed && !error_seen_;
  if (record_.passed) record_.error.clear();
  if (identity_.serial) record_.part_serial = SerialText(*identity_.serial);
  if (identity_.boot_code) {
    record_.boot_code = BootCodeText((*identity_.boot_code)[0], (*identity_.boot_code)[1]);
  }
  record_.duration_ms =
      static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - started_)
                                     .count());
  const std::optional<std::string> why = keeper_(record_);
  if (!why) {
    inner_.Line("Record", AbsolutePath(record_path_));
    return;
  }
  not_kept_ = true;
  const std::string cannot = "cannot write " + ShownName(record_path_) + ": " + *why;
  inner_.Error(record_.passed ? "programmed but not recorded: " + cannot
                              : "the failed run was not recorded either: " + cannot);
}

void RecordingReport::NotStarted() {
  Keep(false);
  inner_.NotStarted();
}

void RecordingReport::Finish(bool ok) {
  Keep(ok);
  inner_.Finish(ok);
}

}  // namespace cli
