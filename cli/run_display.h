#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "cli/run_report.h"

namespace cli {

// The programmer's events on the command line. On a terminal: a line for
// each phase as it ends, the phase under way shown in place, and while
// writing a bar with the rate and the time left, fitted to the terminal's
// width. Otherwise plain lines only (the write's progress every 10 %).
// Warnings and errors go to err, each on a line of its own, after the line
// shown in place has been cleared. Quiet, only errors and the last line.
class RunDisplay : public RunReport {
 public:
  using Clock = std::function<double()>;  // seconds, monotonic
  using Width = std::function<int()>;     // columns, asked before each redraw

  struct Style {
    bool redraw = false;      // out is a terminal that takes escapes
    bool colour_out = false;  // the last line in colour
    bool colour_err = false;  // "Error:" and "Warning:" in colour
    bool quiet = false;
  };

  RunDisplay(std::FILE* out, std::FILE* err, bool terminal, int width, Clock clock);
  RunDisplay(std::FILE* out, std::FILE* err, Style style, Width width, Clock clock);

  void PhaseBegun(isp::Phase phase) override;
  void Synchronised(bool already_synchronised) override;
  void Identified(const isp::PartInfo& part) override;
  void Erased(const std::vector<isp::SectorSpan>& spans) override;
  void BytesWritten(std::uint32_t done, std::uint32_t total) override;
  void Written(std::uint32_t bytes) override;
  void Verified(const isp::Verification& verification) override;
  void Restarted() override;
  void Warned(const isp::Warning& warning) override;
  void BytesRead(std::uint32_t done, std::uint32_t total) override;
  // A "Line rate" line; the bar shows the rate from then on.
  void LineRateSet(unsigned baud) override;

  // A line of a command's result under its label, laid out as the phases'.
  void Line(const char* label, const std::string& text) override;
  // People have read the error: nothing more to say.
  void NotStarted() override {}
  void Warning(const std::string& text) override;
  // Lines for err as they are (each ended by its line break).
  void Error(const std::string& text) override;
  void FileKept(const std::string& name, const std::string& path) override;
  // The last line: "Complete." or "Failed!".
  void Finish(bool ok) override;

  // The terminal width of the file, or 80 when it cannot be told.
  static int TerminalWidth(std::FILE* file);

 private:
  void PhaseLine(const char* label, const std::string& text);
  void Transient(const std::string& text);
  void ClearTransient();
  void Progress(const char* label, std::uint32_t done, std::uint32_t total);
  void DrawBar(const char* label, std::uint32_t done, std::uint32_t total);
  std::string RateText(std::uint32_t done, double seconds) const;

  std::FILE* out_;
  std::FILE* err_;
  Style style_;
  Width width_;
  Clock clock_;
  bool transient_ = false;
  double write_started_ = 0;
  int reported_tenths_ = -1;
  unsigned baud_ = 0;  // the rate switched to, once it was
};

}  // namespace cli
