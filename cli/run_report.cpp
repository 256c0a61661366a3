#include "cli/run_report.h"

#include <chrono>

#include "cli/console.h"
#include "cli/json_report.h"
#include "cli/run_display.h"

namespace cli {
namespace {

double MonotonicSeconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(now).count();
}

}  // namespace

std::unique_ptr<RunReport> MakeRunReport(const OutputOptions& options) {
  if (options.json) return std::make_unique<JsonReport>(stdout, MonotonicSeconds);
  return MakeRunDisplay(options);
}

std::unique_ptr<RunDisplay> MakeRunDisplay(const OutputOptions& options) {
  const OutputStyle out = StyleOf(stdout);
  RunDisplay::Style style;
  style.redraw = out.redraw;
  style.colour_out = out.colour;
  style.colour_err = StyleOf(stderr).colour;
  style.quiet = options.quiet;
  // Asked before every redraw, so that the bar follows a resized terminal.
  return std::make_unique<RunDisplay>(
      stdout, stderr, style, [] { return TerminalColumns(stdout); }, MonotonicSeconds);
}

}  // namespace cli
