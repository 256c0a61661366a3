#include "cli/progress_display.h"

#include <algorithm>

namespace cli {
namespace {

constexpr int kWidestBar = 40;
constexpr int kNarrowestBar = 10;
constexpr int kFiguresWidth = 7;  // "[", "]" and " 100%"

}  // namespace

void ProgressDisplay::Show(int progress) {
  const int percent = progress > 0 ? progress / 10 : 0;
  const bool changed = percent != percent_;
  percent_ = percent;
  if (quiet_) return;
  if (terminal_) {
    if (changed || !drawn_) Draw();
  } else if (changed) {
    std::fprintf(out_, "Progress %d%%\n", percent_);
    std::fflush(out_);
  }
}

void ProgressDisplay::PrintLine(const std::string& line) {
  if (quiet_) return;
  Clear();
  std::fprintf(out_, "%s\n", line.c_str());
  if (terminal_ && percent_ >= 0) Draw();
  std::fflush(out_);
}

void ProgressDisplay::Finish() {
  if (drawn_) std::fputc('\n', out_);
  drawn_ = false;
  std::fflush(out_);
}

void ProgressDisplay::Draw() {
  // Kept short of the last column, so that no terminal wraps it.
  const int columns = width_ ? width_() : 80;
  const int bar = std::min(kWidestBar, columns - 1 - kFiguresWidth);
  if (bar < kNarrowestBar) {
    std::fprintf(out_, "\r%3d%%\033[K", percent_);
  } else {
    const int filled = percent_ * bar / 100;
    std::string text(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(bar - filled), '.');
    std::fprintf(out_, "\r[%s] %3d%%\033[K", text.c_str(), percent_);
  }
  std::fflush(out_);
  drawn_ = true;
}

void ProgressDisplay::Clear() {
  if (!drawn_) return;
  std::fputs("\r\033[K", out_);
  drawn_ = false;
}

}  // namespace cli
