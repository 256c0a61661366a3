#include "cli/port_rows_display.h"

#include <algorithm>

#include "cli/phase_text.h"
#include "cli/run_outcome.h"
#include "cli/shown_name.h"

namespace cli {
namespace {

constexpr double kRedrawSeconds = 0.1;
constexpr std::size_t kPartWidth = 12;
constexpr std::size_t kPhaseWidth = 12;

constexpr const char* kRed = "\033[31m";
constexpr const char* kGreen = "\033[32m";
constexpr const char* kYellow = "\033[33m";

std::string Coloured(const std::string& text, const char* colour, bool on) {
  return on ? std::string(colour) + text + "\033[0m" : text;
}

std::string Seconds(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

}  // namespace

// One port's events, turned into its row.
class PortRowReport final : public RunReport {
 public:
  PortRowReport(PortRowsDisplay& rows, std::size_t index) : rows_(rows), index_(index) {}

  void PhaseBegun(isp::Phase phase) override { rows_.Phase(index_, PhaseLabel(phase)); }
  void Synchronised(bool already) override {
    rows_.PhaseEnded(index_, "Synchronise", already ? "ok (already synchronised)" : "ok");
  }
  void Identified(const isp::PartInfo& part) override {
    rows_.Part(index_, part.name);
    rows_.PhaseEnded(index_, "Identify", PartText(part));
  }
  void Erased(const std::vector<isp::SectorSpan>& spans) override {
    rows_.PhaseEnded(index_, "Erase", ErasedText(spans));
  }
  void BytesWritten(std::uint32_t done, std::uint32_t total) override {
    rows_.Progress(index_, done, total, true);
  }
  void Written(std::uint32_t bytes) override {
    rows_.PhaseEnded(index_, "Write", std::to_string(bytes) + " bytes");
  }
  void Verified(const isp::Verification& verification) override {
    rows_.PhaseEnded(index_, "Verify", VerifiedText(verification));
  }
  void Restarted() override { rows_.PhaseEnded(index_, "Restart", "ok"); }
  void Warned(const isp::Warning& warning) override {
    const std::string text = WarningText(warning);
    if (!text.empty()) rows_.Message(index_, "Warning", text);
  }
  void BytesRead(std::uint32_t done, std::uint32_t total) override {
    rows_.Progress(index_, done, total, false);
  }
  void Warning(const std::string& text) override { rows_.Message(index_, "Warning", text); }
  void Error(const std::string& text) override { rows_.Message(index_, "Error", text); }
  // The logs are named in the summary.
  void FileKept(const std::string&, const std::string&) override {}
  void Line(const char* label, const std::string& text) override {
    rows_.PhaseEnded(index_, label, text);
  }
  void NotStarted() override { rows_.Ended(index_, false); }
  void Finish(bool ok) override { rows_.Ended(index_, ok); }

 private:
  PortRowsDisplay& rows_;
  std::size_t index_;
};

PortRowsDisplay::PortRowsDisplay(std::FILE* out, std::FILE* err, Style style,
                                 std::vector<std::string> ports, Width width, Clock clock)
    : out_(out),
      err_(err),
      style_(style),
      ports_(std::move(ports)),
      width_(std::move(width)),
      clock_(std::move(clock)),
      rows_(ports_.size()) {
  for (std::string& port : ports_) port = ShownName(port);
  for (const std::string& port : ports_) port_width_ = std::max(port_width_, port.size());
}

std::unique_ptr<RunReport> PortRowsDisplay::PortReport(std::size_t index) {
  return std::make_unique<PortRowReport>(*this, index);
}

std::string PortRowsDisplay::Padded(const std::string& text, std::size_t width) const {
  std::string padded = text;
  if (padded.size() < width) padded.resize(width, ' ');
  return padded + "  ";
}

std::string PortRowsDisplay::RowText(std::size_t index) const {
  const Row& row = rows_[index];
  std::string text = Padded(ports_[index], port_width_) + Padded(row.part, kPartWidth);
  if (row.ended) return text + (row.ok ? "passed" : "FAILED");
  text += Padded(row.phase, kPhaseWidth);
  if (row.percent >= 0) {
    std::string percent = std::to_string(row.percent) + "%";
    percent.insert(0, 4 - std::min<std::size_t>(4, percent.size()), ' ');
    text += percent;
    if (!row.rate.empty()) text += "  " + row.rate;
  }
  return text;
}

void PortRowsDisplay::ClearRows() {
  if (rows_drawn_ == 0) return;
  std::fprintf(out_, "\033[%dA\r\033[J", rows_drawn_);
  rows_drawn_ = 0;
}

void PortRowsDisplay::Redraw(bool forced) {
  if (!style_.redraw || style_.quiet) return;
  const double now = clock_();
  if (!forced && last_redraw_ >= 0 && now - last_redraw_ < kRedrawSeconds) return;
  last_redraw_ = now;
  const auto columns = static_cast<std::size_t>(std::max(1, width_() - 1));
  std::string block;
  if (rows_drawn_ > 0) block += "\033[" + std::to_string(rows_drawn_) + "A";
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    // Kept short of the last column, so that no terminal wraps a row.
    block += "\r\033[2K" + RowText(i).substr(0, columns) + "\n";
  }
  std::fputs(block.c_str(), out_);
  std::fflush(out_);
  rows_drawn_ = static_cast<int>(rows_.size());
}

void PortRowsDisplay::PlainLine(std::size_t index, const std::string& text) {
  if (style_.redraw || style_.quiet) return;
  std::fprintf(out_, "%s%s\n", Padded(ports_[index], port_width_).c_str(), text.c_str());
  std::fflush(out_);
}

void PortRowsDisplay::Phase(std::size_t index, const char* label) {
  const std::lock_guard lock(mutex_);
  Row& row = rows_[index];
  row.phase = label;
  row.percent = -1;
  row.rate.clear();
  row.reported_quarter = -1;
  row.write_started = clock_();
  Redraw(true);
}

void PortRowsDisplay::Part(std::size_t index, const std::string& name) {
  const std::lock_guard lock(mutex_);
  rows_[index].part = name;
}

void PortRowsDisplay::Progress(std::size_t index, std::uint32_t done, std::uint32_t total,
                               bool writing) {
  const std::lock_guard lock(mutex_);
  Row& row = rows_[index];
  row.percent = total == 0 ? 100 : static_cast<int>(std::uint64_t{done} * 100 / total);
  const double seconds = clock_() - row.write_started;
  if (writing && done > 0 && seconds > 0) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f KiB/s", done / 1024.0 / seconds);
    row.rate = rate;
  }
  const int quarter = row.percent / 25;
  if (quarter != row.reported_quarter && row.percent < 100) {
    row.reported_quarter = quarter;
    PlainLine(index, Padded(row.phase, kPhaseWidth) + std::to_string(row.percent) + "%");
  }
  Redraw(false);
}

void PortRowsDisplay::PhaseEnded(std::size_t index, const char* label, const std::string& text) {
  const std::lock_guard lock(mutex_);
  Row& row = rows_[index];
  row.phase = std::string(label) + " ok";
  row.percent = -1;
  PlainLine(index, Padded(label, kPhaseWidth) + text);
  Redraw(true);
}

void PortRowsDisplay::Message(std::size_t index, const char* kind, const std::string& text) {
  const std::lock_guard lock(mutex_);
  // Above the rows, which are drawn again below it.
  ClearRows();
  std::fflush(out_);
  const bool error = std::string(kind) == "Error";
  if (error || !style_.quiet) {
    const std::string head =
        Coloured(std::string(kind) + ":", error ? kRed : kYellow, style_.colour_err);
    std::fprintf(err_, "%s %s: %s\n", head.c_str(), ports_[index].c_str(), text.c_str());
    std::fflush(err_);
  }
  Redraw(true);
}

void PortRowsDisplay::Ended(std::size_t index, bool ok) {
  const std::lock_guard lock(mutex_);
  Row& row = rows_[index];
  row.ended = true;
  row.ok = ok;
  PlainLine(index, ok ? "passed" : "FAILED");
  Redraw(true);
}

void PortRowsDisplay::Say(std::size_t index, const std::string& text) {
  const std::lock_guard lock(mutex_);
  if (style_.quiet) return;
  ClearRows();
  std::fprintf(out_, "%s%s\n", Padded(ports_[index], port_width_).c_str(), text.c_str());
  std::fflush(out_);
  Redraw(true);
}

void PortRowsDisplay::Print(const std::string& lines) {
  const std::lock_guard lock(mutex_);
  ClearRows();
  std::fputs(lines.c_str(), out_);
  std::fflush(out_);
  Redraw(true);
}

void PortRowsDisplay::Summary(const std::vector<RunRecord>& records,
                              const std::vector<std::string>& logs) {
  const std::lock_guard lock(mutex_);
  if (style_.redraw && !style_.quiet) Redraw(true);
  if (!style_.quiet) std::fputs("\n", out_);
  std::size_t part_width = 4;
  for (const RunRecord& record : records) {
    part_width = std::max(part_width, record.part_name.size());
  }
  std::fprintf(out_, "%s%s%s%s%s\n", Padded("Port", port_width_).c_str(),
               Padded("Part", part_width).c_str(), Padded("Result", 6).c_str(),
               Padded("Time", 8).c_str(), "Serial number, or why it failed");
  std::vector<std::string> failed;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const RunRecord& record = records[i];
    const std::string result = Coloured(Padded(record.passed ? "PASS" : "FAIL", 6),
                                        record.passed ? kGreen : kRed, style_.colour_out);
    const std::string said = record.passed ? record.part_serial : ShownName(record.error);
    std::fprintf(out_, "%s%s%s%s%s\n", Padded(ports_[i], port_width_).c_str(),
                 Padded(record.part_name.empty() ? "-" : record.part_name, part_width).c_str(),
                 result.c_str(), Padded(Seconds(record.duration_ms), 8).c_str(), said.c_str());
    if (!record.passed) failed.push_back(ports_[i]);
  }
  if (!style_.quiet) {
    for (std::size_t i = 0; i < logs.size(); ++i) {
      if (!logs[i].empty()) {
        std::fprintf(out_, "Traffic log   %s\n", ShownName(logs[i]).c_str());
      }
    }
  }
  if (failed.empty()) {
    std::fprintf(out_, "%s\n",
                 Coloured("All " + std::to_string(records.size()) + " modules programmed.", kGreen,
                          style_.colour_out)
                     .c_str());
  } else {
    std::string names;
    for (const std::string& port : failed) names += (names.empty() ? "" : ", ") + port;
    std::fprintf(out_, "%s\n",
                 Coloured(std::to_string(failed.size()) + " of " + std::to_string(records.size()) +
                              " modules failed: " + names,
                          kRed, style_.colour_out)
                     .c_str());
  }
  std::fflush(out_);
}

}  // namespace cli
