#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// A file a command reads or writes, with the part it plays ("--out", "the
// traffic log", "the image").
struct FileRole {
  std::string role;
  std::string path;
  bool written = true;
};

// The first two files of the list that are one file while at least one of
// them is written: the text that names both, for a refusal before the port
// opens. Files that exist are compared by device and inode (so a hard link
// or another spelling of the name is caught), names that do not exist yet by
// their resolved paths. A command that gains an output adds it to its list.
std::optional<std::string> CollidingFiles(const std::vector<FileRole>& files);

}  // namespace cli
