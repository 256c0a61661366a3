#pragma once

#include <QTimer>

namespace app {

// Enabling a timer that is enabled already leaves its countdown running:
// QTimer::start() would restart it.
inline void EnableTimer(QTimer& timer) {
  if (!timer.isActive()) timer.start();
}

}  // namespace app
