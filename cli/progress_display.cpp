#include "cli/progress_display.h"

namespace cli {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

void ProgressDisplay::Show(int progress) {
  const int percent = progress > 0 ? progress / 10 : 0;
  const bool changed = percent != percent_;
  percent_ = percent;
  if (terminal_) {
    if (changed || !drawn_) Draw();
  } else if (changed) {
    std::fprintf(out_, "Progress %d%%\n", percent_);
    std::fflush(out_);
  }
}

void ProgressDisplay::PrintLine(const std::string& line) {
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
  const int filled = percent_ * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  std::fprintf(out_, "\r[%s] %3d%%", bar.c_str(), percent_);
  std::fflush(out_);
  drawn_ = true;
}

void ProgressDisplay::Clear() {
  if (!drawn_) return;
  std::fprintf(out_, "\r%*s\r", kBarWidth + 8, "");
  drawn_ = false;
}

}  // namespace cli
