#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "comm/port_discovery.h"

namespace comm {

// The longest list entry, as the port list's 1024-character buffer holds it
// with its NUL.
inline constexpr std::size_t kMaxListEntryLength = 1023;

// The text a port is listed with: port name, three spaces, friendly name,
// three spaces, enumerator name ("COM1   COM1   " for a port without an
// enumerator). Nothing when the port cannot be listed: a port name longer
// than the PortTable holds, or an entry longer than kMaxListEntryLength.
std::optional<std::string> PortListEntry(const PortInfo& port);

}  // namespace comm
