#pragma once

#include <QString>

namespace app_tools {

// Writes the image the window tools program: an Intel HEX file of size
// bytes of a fixed pattern from address 0. At most 65536 bytes, since it
// writes no extended address records.
bool WritePatternHex(const QString& path, int size);

}  // namespace app_tools
