#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct TerminalResult {
  int exit_status = -1;
  std::string screen;  // every byte the program wrote to the terminal, stdout and stderr
};

// Runs a program with stdout and stderr on a pseudo-terminal that is
// columns wide, with the extra environment entries ("NAME=value"; "NAME="
// sets it empty, "-NAME" removes it). Once the output holds resize_on (when
// not empty) the terminal becomes resize_to columns wide.
TerminalResult RunOnTerminal(const std::vector<std::string>& argv, const std::string& cwd,
                             int columns, const std::vector<std::string>& environment = {},
                             const std::string& resize_on = "", int resize_to = 0);

// The lines a terminal shows of the output, with escape sequences taken out
// and each line cut at a CR or LF: what each redraw leaves on screen.
std::vector<std::string> ScreenSegments(const std::string& screen);
// Of those, the ones that a CR ends: the lines drawn to be redrawn in place,
// which must never wrap (a line that ends with LF may).
std::vector<std::string> RedrawnSegments(const std::string& screen);

}  // namespace testing_support
