#include "comm/port_list_entry.h"

#include "comm/port_table.h"

namespace comm {

std::optional<std::string> PortListEntry(const PortInfo& port) {
  const std::string port_name = port.PortName;
  if (port_name.size() > PortTable::kMaxNameLength) return std::nullopt;
  std::string entry = port_name + "   " + port.FriendlyName + "   " + port.EnumeratorName;
  if (entry.size() > kMaxListEntryLength) return std::nullopt;
  return entry;
}

}  // namespace comm
