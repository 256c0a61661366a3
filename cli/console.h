#pragma once

#include <cstdio>

namespace cli {

// Whether the stream goes to a terminal (a console window on Windows), where
// the progress bar is redrawn in place.
bool IsTerminal(std::FILE* stream);

// Whether the stream goes to a terminal that interprets escape sequences
// (colour, clearing a line). On Windows the console is switched to take
// them; a console that cannot counts as none.
bool TakesEscapes(std::FILE* stream);

// The width of the terminal in characters, or 80 when it cannot be told.
int TerminalColumns(std::FILE* stream);

}  // namespace cli
