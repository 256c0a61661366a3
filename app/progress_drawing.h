#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

class QPainter;

namespace app {

// A rectangle as the host's drawing interface gives it: right and bottom
// lie just outside.
struct WinRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

inline QRect ToQRect(const WinRect& r) {
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Draws the progress bar of the status bar for ProgressValue progress into
// rect, with the painter's font: a blue bar from the left edge, the
// percentage centred on the panel, black over the button face and white over
// the bar. Integer arithmetic throughout, divisions truncate toward zero.
void DrawProgressPanel(QPainter& canvas, const WinRect& rect, std::int32_t progress,
                       const QColor& button_face);

}  // namespace app
