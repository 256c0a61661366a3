#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "cli/run_record.h"
#include "cli/run_report.h"
#include "isp/image/flash_image.h"
#include "isp/verified/part_details.h"

namespace cli {

// The start of a run's record: now, this host, the port as the user named
// it with its adapter's serial number, and the image file.
RunRecord StartRunRecord(const std::string& port, const std::string& file);

// The SHA-256 of an image as it is written, after its checksum word: its
// bytes from the lowest address that holds data to the highest, gaps as
// erased bytes (0xFF), as a raw binary of it would hold them.
std::string ImageDigest(const isp::FlashImage& image);

// A run's report that also keeps its record: it passes every event on to
// the report it watches and takes from them the part, the bytes written and
// the first error. At the run's last event (Finish, or NotStarted) the
// record goes to the sink given; a record that could not be kept is an
// error line before that last event, and Status turns a good run's exit
// status into 1. With no sink it records nothing.
class RecordingReport : public RunReport {
 public:
  // Keeps the record; nothing when it is kept, else why not.
  using Keeper = std::function<std::optional<std::string>(const RunRecord&)>;

  // record_path names the record in messages.
  RecordingReport(RunReport& inner, RunRecord start, std::string record_path, Keeper keeper);
  // A run of the image file on the port, into the record file at
  // record_path (AppendRunRecord); none when record_path is empty.
  RecordingReport(RunReport& inner, const std::string& record_path, const std::string& port,
                  const std::string& file);

  // The image the run writes.
  void Image(const isp::FlashImage& image);
  // Where the programmer puts the part's boot code version and serial
  // number; nothing when no record is kept (then they are not read).
  isp::PartIdentity* Identity() { return keeper_ ? &identity_ : nullptr; }
  // The exit status of the run: 1 for a good run whose record was not kept.
  int Status(int status) const;
  // The record as it was handed on (once the run ended).
  const RunRecord& Record() const { return record_; }

  void PhaseBegun(isp::Phase phase) override { inner_.PhaseBegun(phase); }
  void Synchronised(bool already) override { inner_.Synchronised(already); }
  void Identified(const isp::PartInfo& part) override;
  void Erased(const std::vector<isp::SectorSpan>& spans) override { inner_.Erased(spans); }
  void BytesWritten(std::uint32_t done, std::uint32_t total) override;
  void Written(std::uint32_t bytes) override;
  void Verified(const isp::Verification& verification) override { inner_.Verified(verification); }
  void Restarted() override { inner_.Restarted(); }
  void Warned(const isp::Warning& warning) override { inner_.Warned(warning); }
  void BytesRead(std::uint32_t done, std::uint32_t total) override {
    inner_.BytesRead(done, total);
  }
  void Warning(const std::string& text) override { inner_.Warning(text); }
  void LineRateSet(unsigned baud) override { inner_.LineRateSet(baud); }
  void Error(const std::string& text) override;
  void FileKept(const std::string& name, const std::string& path) override {
    inner_.FileKept(name, path);
  }
  void Line(const char* label, const std::string& text) override { inner_.Line(label, text); }
  void NotStarted() override;
  void Finish(bool ok) override;

 private:
  void Keep(bool passed);

  RunReport& inner_;
  RunRecord record_;
  std::string record_path_;
  Keeper keeper_;
  std::chrono::steady_clock::time_point started_;
  isp::PartIdentity identity_;
  bool error_seen_ = false;
  bool kept_ = false;
  bool not_kept_ = false;
};

}  // namespace cli
