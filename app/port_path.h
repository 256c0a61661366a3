#pragma once

#include <optional>
#include <string>

#include "comm/port_table.h"

class QComboBox;

namespace app {

// The list entry whose text the port field shows, -1 when it shows none
// (an empty field, or a path typed by the operator).
int ListedEntry(const QComboBox& port_box);

// The device path the port field names. The field is editable and its text
// counts: the text of a list entry gives that entry's PortTable name
// through DevicePath; any other text is a device path typed by the operator.
// Nothing when the field is empty and no entry is selected, or when the
// selected entry has no table entry.
std::optional<std::string> ResolvePortPath(const QComboBox& port_box, const comm::PortTable& table);

}  // namespace app
