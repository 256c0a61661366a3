#include "cli/run_display.h"

#include <algorithm>
#include <cmath>

#include "cli/console.h"
#include "cli/phase_text.h"
#include "cli/shown_name.h"
#include "isp/run_log.h"

namespace cli {
namespace {

constexpr int kLabelWidth = 14;
constexpr int kNarrowestBar = 10;
// Room kept after the bar for its figures at their widest
// (" 100%  9999.9 KiB/s  99999 s left"), so the bar keeps its length.
constexpr int kFiguresWidth = 33;
constexpr int kBaudWidth = 13;  // "  230400 baud"

constexpr const char* kRed = "\033[31m";
constexpr const char* kGreen = "\033[32m";
constexpr const char* kYellow = "\033[33m";

std::string Coloured(const char* text, const char* colour, bool on) {
  return on ? std::string(colour) + text + "\033[0m" : std::string(text);
}

std::string Padded(const std::string& label) {
  std::string text = label;
  text.resize(kLabelWidth, ' ');
  return text;
}

}  // namespace

RunDisplay::RunDisplay(std::FILE* out, std::FILE* err, bool terminal, int width, Clock clock)
    : RunDisplay(
          out, err, Style{terminal, false, false, false}, [width] { return width; },
          std::move(clock)) {}

RunDisplay::RunDisplay(std::FILE* out, std::FILE* err, Style style, Width width, Clock clock)
    : out_(out), err_(err), style_(style), width_(std::move(width)), clock_(std::move(clock)) {}

int RunDisplay::TerminalWidth(std::FILE* file) {
  return TerminalColumns(file);
}

void RunDisplay::Transient(const std::string& text) {
  if (!style_.redraw || style_.quiet) return;
  // Kept short of the last column, so that no terminal wraps it.
  std::string shown = text.substr(0, static_cast<std::size_t>(std::max(0, width_() - 1)));
  std::fprintf(out_, "\r%s\033[K", shown.c_str());
  std::fflush(out_);
  transient_ = true;
}

void RunDisplay::ClearTransient() {
  if (!transient_) return;
  std::fputs("\r\033[K", out_);
  transient_ = false;
}

void RunDisplay::PhaseLine(const char* label, const std::string& text) {
  if (style_.quiet) return;
  ClearTransient();
  std::fprintf(out_, "%s%s\n", Padded(label).c_str(), text.c_str());
  std::fflush(out_);
}

void RunDisplay::PhaseBegun(isp::Phase phase) {
  // The phases that show a bar time it from their start.
  if (phase == isp::Phase::kWrite || phase == isp::Phase::kRead || phase == isp::Phase::kVerify) {
    write_started_ = clock_();
    reported_tenths_ = -1;
  }
  Transient(Padded(PhaseLabel(phase)) + "...");
}

void RunDisplay::Synchronised(bool already_synchronised) {
  PhaseLine("Synchronise", already_synchronised ? "ok (the part was already synchronised)" : "ok");
}

void RunDisplay::Identified(const isp::PartInfo& part) {
  PhaseLine("Identify", PartText(part));
}

void RunDisplay::Erased(const std::vector<isp::SectorSpan>& spans) {
  PhaseLine("Erase", ErasedText(spans));
}

std::string RunDisplay::RateText(std::uint32_t done, double seconds) const {
  char text[64];
  if (seconds <= 0) return "";
  std::snprintf(text, sizeof text, "%.1f KiB/s", done / 1024.0 / seconds);
  return text;
}

void RunDisplay::DrawBar(const char* label, std::uint32_t done, std::uint32_t total) {
  const double seconds = clock_() - write_started_;
  const int percent = total == 0 ? 100 : static_cast<int>(std::uint64_t{done} * 100 / total);
  std::string tail = " " + std::to_string(percent) + "%";
  if (baud_ != 0) tail += "  " + std::to_string(baud_) + " baud";
  if (done > 0 && seconds > 0) {
    const double left = (total - done) * seconds / done;
    tail += "  " + RateText(done, seconds) + "  " +
            std::to_string(static_cast<long>(std::ceil(left))) + " s left";
  }
  const int figures = kFiguresWidth + (baud_ != 0 ? kBaudWidth : 0);
  const int room = width_() - 1 - kLabelWidth - 2 - figures;
  std::string line = Padded(label);
  if (room >= kNarrowestBar) {
    const auto bar = static_cast<std::size_t>(room);
    const std::size_t filled = total == 0 ? bar : bar * done / total;
    line += "[" + std::string(filled, '#') + std::string(bar - filled, '.') + "]";
  }
  Transient(line + tail);
}

void RunDisplay::BytesWritten(std::uint32_t done, std::uint32_t total) {
  Progress("Write", done, total);
}

void RunDisplay::BytesRead(std::uint32_t done, std::uint32_t total) {
  Progress("Read", done, total);
}

void RunDisplay::Line(const char* label, const std::string& text) {
  PhaseLine(label, text);
}

void RunDisplay::Progress(const char* label, std::uint32_t done, std::uint32_t total) {
  if (style_.quiet) return;
  if (style_.redraw) {
    DrawBar(label, done, total);
    return;
  }
  const int tenths = total == 0 ? 10 : static_cast<int>(std::uint64_t{done} * 10 / total);
  if (tenths <= reported_tenths_) return;
  // A block may cross several steps of 10 %: each gets its line, the last
  // with the bytes done.
  for (int step = reported_tenths_ + 1; step < tenths; ++step) {
    std::fprintf(out_, "%s%d%%\n", Padded(label).c_str(), step * 10);
  }
  reported_tenths_ = tenths;
  std::fprintf(out_, "%s%d%% (%u of %u bytes)\n", Padded(label).c_str(), tenths * 10, done, total);
  std::fflush(out_);
}

void RunDisplay::Written(std::uint32_t bytes) {
  const double seconds = clock_() - write_started_;
  char summary[96];
  std::snprintf(summary, sizeof summary, "%u bytes in %.1f s", bytes, seconds);
  std::string text = summary;
  if (seconds > 0 && bytes > 0) text += " (" + RateText(bytes, seconds) + ")";
  PhaseLine("Write", text);
}

void RunDisplay::Verified(const isp::Verification& verification) {
  PhaseLine("Verify", VerifiedText(verification));
}

void RunDisplay::LineRateSet(unsigned baud) {
  baud_ = baud;
  PhaseLine("Line rate", std::to_string(baud) + " baud");
}

void RunDisplay::Restarted() {
  PhaseLine("Restart", "ok");
}

void RunDisplay::Warned(const isp::Warning& warning) {
  const std::string text = WarningText(warning);
  if (!text.empty()) Warning(text);
}

void RunDisplay::Warning(const std::string& text) {
  if (style_.quiet) return;
  ClearTransient();
  std::fflush(out_);
  std::fprintf(err_, "%s %s\n", Coloured("Warning:", kYellow, style_.colour_err).c_str(),
               text.c_str());
  std::fflush(err_);
}

void RunDisplay::Error(const std::string& text) {
  ClearTransient();
  std::fflush(out_);
  std::fprintf(err_, "%s %s\n", Coloured("Error:", kRed, style_.colour_err).c_str(), text.c_str());
  std::fflush(err_);
}

void RunDisplay::FileKept(const std::string& name, const std::string& path) {
  if (style_.quiet) return;
  ClearTransient();
  std::fprintf(out_, "%s%s\n", Padded(name == isp::kRunLogName ? "Traffic log" : "Saved").c_str(),
               ShownName(path).c_str());
  std::fflush(out_);
}

void RunDisplay::Finish(bool ok) {
  ClearTransient();
  std::fprintf(
      out_, "%s\n",
      Coloured(ok ? "Complete." : "Failed!", ok ? kGreen : kRed, style_.colour_out).c_str());
  std::fflush(out_);
}

}  // namespace cli
