#include "comm/port_table.h"

namespace comm {

bool PortTable::Add(const std::string& name) {
  if (names_.size() >= kMaxEntries || name.size() > kMaxNameLength) return false;
  names_.push_back(name);
  return true;
}

std::optional<std::string> PortTable::Lookup(int position) const {
  if (position < 0 || static_cast<std::size_t>(position) >= names_.size()) return std::nullopt;
  return names_[static_cast<std::size_t>(position)];
}

std::string DevicePath(const std::string& port_name) {
#ifdef _WIN32
  // COM1 to COM9 open under their names; COM10 and above need the prefix.
  if (port_name.size() == 4) return port_name;
  return "\\\\.\\" + port_name;
#else
  if (!port_name.empty() && port_name[0] == '/') return port_name;
  return "/dev/" + port_name;
#endif
}

}  // namespace comm
