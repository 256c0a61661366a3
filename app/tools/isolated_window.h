#pragma once

#include <QStandardPaths>

#include "app/port_list.h"

namespace app::tools {

// The window tools drive the real window against the simulator only: the
// machine's serial ports are not probed (that would toggle DTR on attached
// hardware) and the operator's own settings are neither read nor written.
inline void IsolateWindow() {
  QStandardPaths::setTestModeEnabled(true);
  PortEnumerator() = [](const comm::PortCallback&, int) { return 1; };
}

}  // namespace app::tools
