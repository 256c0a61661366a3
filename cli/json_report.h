#pragma once

#include <cstdio>
#include <functional>

#include "cli/json_lines.h"
#include "cli/run_report.h"

namespace cli {

// The run's events as JSON lines on out (--json): a "phase" object as each
// step ends, "progress" for each part of the write, "warning" and "error",
// "file" for the traffic log, "detail" for each line of a command's result,
// and last "result" with the run's time and the write's figures.
class JsonReport : public RunReport {
 public:
  using Clock = std::function<double()>;  // seconds, monotonic

  // The run's time is counted from here.
  JsonReport(std::FILE* out, Clock clock)
      : lines_(out), clock_(std::move(clock)), started_(clock_()) {}
  // The same, each object naming its port: one of several run at once.
  JsonReport(std::FILE* out, Clock clock, std::string port)
      : lines_(out, std::move(port)), clock_(std::move(clock)), started_(clock_()) {}

  void PhaseBegun(isp::Phase phase) override;
  void Synchronised(bool already_synchronised) override;
  void Identified(const isp::PartInfo& part) override;
  void Erased(const std::vector<isp::SectorSpan>& spans) override;
  void BytesWritten(std::uint32_t done, std::uint32_t total) override;
  void BytesRead(std::uint32_t done, std::uint32_t total) override;
  void Written(std::uint32_t bytes) override;
  void Verified(const isp::Verification& verification) override;
  void Restarted() override;
  void Warned(const isp::Warning& warning) override;
  // A "line_rate" event; the progress events after it carry the rate.
  void LineRateSet(unsigned baud) override;

  void Warning(const std::string& text) override;
  void Error(const std::string& text) override;
  void FileKept(const std::string& name, const std::string& path) override;
  void Line(const char* label, const std::string& text) override;
  void NotStarted() override;
  void Finish(bool ok) override;

 private:
  JsonLines lines_;
  Clock clock_;
  double started_ = 0;
  double write_started_ = 0;
  double write_seconds_ = 0;
  std::uint32_t written_ = 0;
  unsigned baud_ = 0;  // the rate switched to, once it was
};

}  // namespace cli
