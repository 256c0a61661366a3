#pragma once

#include <cstdint>
#include <string>

namespace cli {

// The user's own part file: $XDG_CONFIG_HOME/tarvo/parts.json, else
// ~/.config/tarvo/parts.json (%APPDATA%\tarvo\parts.json on Windows); empty
// when no such folder can be named.
std::string UserPartFile();

// Adds the rows of the user's part file, when there is one, then those of
// the given file (--parts; empty for none), which must exist, to the part
// table: a row of the given file overrides one of the user's, which
// overrides a built-in one. False, with error naming file, line and field,
// when a file is refused; the table then has none of its rows.
bool LoadPartFiles(const std::string& given, std::string& error);

// The file the unknown-part message tells the user to add a row to: the
// one given with --parts, else the user's own.
std::string PartFileToExtend();

// A row for the part file with the id filled in and the rest to be taken
// from the part's user manual.
std::string PartRowTemplate(std::uint32_t id);

}  // namespace cli
