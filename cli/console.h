#pragma once

#include <cstdio>

namespace cli {

// Whether the stream goes to a terminal (a console window on Windows), where
// the progress bar is redrawn in place.
bool IsTerminal(std::FILE* stream);

// Whether the terminal shows colour escapes. On Windows the console is
// switched to take them; a console that cannot gets plain text.
bool TakesColour(std::FILE* stream);

}  // namespace cli
