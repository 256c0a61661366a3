#pragma once

#include <optional>
#include <string>
#include <vector>

namespace comm {

// The names of the listed ports: entry i belongs to entry i of the window's
// port list, both filled in discovery order and emptied together.
class PortTable {
 public:
  static constexpr std::size_t kMaxEntries = 80;
  static constexpr std::size_t kMaxNameLength = 199;

  void Clear() { names_.clear(); }
  // False when the table is full or the name too long; nothing is stored then.
  bool Add(const std::string& name);
  std::size_t Count() const { return names_.size(); }
  // The name at a list position; nothing for -1 or a position past the end.
  std::optional<std::string> Lookup(int position) const;

 private:
  std::vector<std::string> names_;
};

// The path a port name is opened under. On Windows a four-character name
// (COM1 to COM9) as it is and any other with the prefix "\\.\"; here a path
// ("/dev/ttyUSB0") as it stands and any other name below "/dev/".
std::string DevicePath(const std::string& port_name);

}  // namespace comm
