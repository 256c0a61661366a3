#pragma once

#include <cstdio>
#include <string>

namespace cli {

// How a command reports: the options every command that talks to a part or
// a module shares.
struct OutputOptions {
  bool quiet = false;  // errors and the result only
  bool json = false;   // one JSON object per line and event, for scripts
  // The traffic log of a run; none when no_log is set.
  std::string log_path = "commlog.txt";
  bool no_log = false;
};

// What a stream can show.
struct OutputStyle {
  bool redraw = false;  // a terminal that takes escapes: lines redrawn in place
  bool colour = false;  // and colour is wanted
};

// Redraw on a terminal that takes escape sequences, unless TERM is "dumb";
// colour there too, unless NO_COLOR is set to anything but the empty text.
OutputStyle StyleOf(std::FILE* stream);

// The same rule for given facts, so that it can be shown without a terminal.
OutputStyle StyleFor(bool takes_escapes, const char* term, const char* no_color);

// The path as an absolute one, for telling where a file went.
std::string AbsolutePath(const std::string& path);

}  // namespace cli
