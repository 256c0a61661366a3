#include "cli/console.h"

#include <unistd.h>

namespace cli {

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

bool TakesColour(std::FILE* stream) {
  return IsTerminal(stream);
}

}  // namespace cli
