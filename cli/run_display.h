#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "isp/programmer_events.h"

namespace cli {

// The programmer's events on the command line. On a terminal: a line for
// each phase as it ends, the phase under way shown in place, and while
// writing a bar with the rate and the time left, fitted to the terminal's
// width. Otherwise plain lines only (the write's progress every 10 %).
// Warnings and errors go to err, each on a line of its own.
class RunDisplay : public isp::ProgrammerEvents {
 public:
  using Clock = std::function<double()>;  // seconds, monotonic

  RunDisplay(std::FILE* out, std::FILE* err, bool terminal, int width, Clock clock);

  void PhaseBegun(isp::Phase phase) override;
  void Synchronised(bool already_synchronised) override;
  void Identified(const isp::PartInfo& part) override;
  void Erased(const std::vector<isp::SectorSpan>& spans) override;
  void BytesWritten(std::uint32_t done, std::uint32_t total) override;
  void Written(std::uint32_t bytes) override;
  void Verified(std::uint32_t bytes) override;
  void Restarted() override;
  void Warned(const isp::Warning& warning) override;
  void BytesRead(std::uint32_t done, std::uint32_t total) override;

  // A line of a command's result under its label, laid out as the phases'.
  void Line(const char* label, const std::string& text);
  void Warning(const std::string& text);
  // Lines for err as they are (each ended by its line break).
  void Notice(const std::string& lines);
  void Error(const std::string& text);
  // The last line: "Complete." or "Failed!".
  void Finish(bool ok);

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
  bool terminal_;
  int width_;
  Clock clock_;
  bool transient_ = false;
  double write_started_ = 0;
  int reported_tenths_ = -1;
};

}  // namespace cli
