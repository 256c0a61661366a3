#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/run_record.h"
#include "cli/run_report.h"

namespace cli {

// Several ports programmed at once, for people. On a terminal one live row
// per port (port, part, phase, percent, rate), redrawn in place; otherwise
// a plain line per port as each phase ends and at each quarter of the
// write. Warnings and errors go to err, each naming its port. At the end a
// summary table: each port's result, time and serial number or error.
// Safe to call from every port's worker at once.
class PortRowsDisplay {
 public:
  using Clock = std::function<double()>;  // seconds, monotonic
  using Width = std::function<int()>;     // columns, asked before each redraw

  struct Style {
    bool redraw = false;  // out is a terminal that takes escapes
    bool colour_out = false;
    bool colour_err = false;
    bool quiet = false;  // errors and the summary only
  };

  PortRowsDisplay(std::FILE* out, std::FILE* err, Style style, std::vector<std::string> ports,
                  Width width, Clock clock);

  // The report of the port at index: every event of its run lands in its row.
  std::unique_ptr<RunReport> PortReport(std::size_t index);

  // After every worker has ended: the rows as they ended, then the table.
  void Summary(const std::vector<RunRecord>& records, const std::vector<std::string>& logs);

  // A line of the port's own, such as "waiting for a module" (not when quiet).
  void Say(std::size_t index, const std::string& text);
  // Lines as they are, in one piece between the ports' lines.
  void Print(const std::string& lines);

  // What the row of the port at index shows now (for its terminal line).
  std::string RowText(std::size_t index) const;

 private:
  friend class PortRowReport;
  struct Row {
    std::string part = "-";
    std::string phase = "waiting";
    int percent = -1;
    double write_started = 0;
    std::string rate;
    int reported_quarter = -1;
    bool ended = false;
    bool ok = false;
  };

  void Phase(std::size_t index, const char* label);
  void Part(std::size_t index, const std::string& name);
  void Progress(std::size_t index, std::uint32_t done, std::uint32_t total, bool writing);
  void PhaseEnded(std::size_t index, const char* label, const std::string& text);
  void Message(std::size_t index, const char* kind, const std::string& text);
  void Ended(std::size_t index, bool ok);

  // Redraws every row in place (terminal), at most every tenth of a second
  // unless forced.
  void Redraw(bool forced);
  void ClearRows();
  void PlainLine(std::size_t index, const std::string& text);
  std::string Padded(const std::string& text, std::size_t width) const;

  std::FILE* out_;
  std::FILE* err_;
  Style style_;
  std::vector<std::string> ports_;
  Width width_;
  Clock clock_;
  std::size_t port_width_ = 4;
  mutable std::mutex mutex_;
  std::vector<Row> rows_;
  int rows_drawn_ = 0;
  double last_redraw_ = -1;
};

}  // namespace cli
