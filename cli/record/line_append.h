#pragma once

#include <optional>
#include <string>

namespace cli {

// Appends line (which ends in its line break) to the file at path, created
// when missing, in one write at the file's end, and flushes it to the disk,
// so that several processes may append to one file and a crash leaves
// either the whole line or none of it. Refuses a symbolic link (on Linux and
// macOS also one in a folder of the path), a file that is no regular file
// or one with other hard links. Nothing when the line is on the disk, else
// why not.
std::optional<std::string> AppendLine(const std::string& path, const std::string& line);

}  // namespace cli
