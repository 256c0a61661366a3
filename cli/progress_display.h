#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace cli {

// Shows the run's progress: a bar redrawn in place on a terminal, fitted to
// its width (asked before each redraw, so that it follows a resize), plain
// lines (one per new percentage) otherwise, nothing at all when quiet. Other
// output goes through PrintLine so that it never lands in the middle of the
// bar.
class ProgressDisplay {
 public:
  using Width = std::function<int()>;

  ProgressDisplay(std::FILE* out, bool terminal, bool quiet = false, Width width = {})
      : out_(out), terminal_(terminal), quiet_(quiet), width_(std::move(width)) {}

  // progress is the engine's per-mille value; negative values show as 0 %.
  void Show(int progress);
  void PrintLine(const std::string& line);
  // Ends the bar's line so that what follows starts on a fresh one.
  void Finish();
  // Takes the bar off the screen until the next Show.
  void Clear();

 private:
  void Draw();

  std::FILE* out_;
  bool terminal_;
  bool quiet_;
  Width width_;
  bool drawn_ = false;
  int percent_ = -1;
};

}  // namespace cli
