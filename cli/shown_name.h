#pragma once

#include <string>

namespace cli {

// A file name as a human-readable message shows it: control characters
// (C0, DEL and the C1 controls in UTF-8) written as \xNN, so that a name such
// as $'\e[2K\rComplete.' cannot rewrite the terminal's lines. Everything
// else, other UTF-8 included, stays as it is. JSON output is not passed
// through here: it escapes control characters itself.
std::string ShownName(const std::string& name);

}  // namespace cli
