#include "app/progress_drawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <string>

#include "app/bgr_colour.h"

namespace app {
namespace {

constexpr std::uint32_t kBarColour = 0xFF0000;  // blue
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// Draws text with its top-left corner at (x, y), clipped to clip, after
// filling clip with the background, as an opaque clipped text output does.
void DrawClippedText(QPainter& canvas, const WinRect& clip, int x, int y, const QString& text,
                     const QColor& background, const QColor& colour) {
  const QRect area = ToQRect(clip);
  if (area.isEmpty()) return;
  canvas.save();
  canvas.setClipRect(area);
  canvas.fillRect(area, background);
  canvas.setPen(colour);
  const QFontMetrics metrics(canvas.font());
  canvas.drawText(QPoint(x, y + metrics.ascent()), text);
  canvas.restore();
}

}  // namespace

void DrawProgressPanel(QPainter& canvas, const WinRect& rect, std::int32_t progress,
                       const QColor& button_face) {
  const std::int32_t width = rect.right - rect.left + 1;
  const std::int32_t split = rect.left + (width * progress) / 1000;
  const WinRect left_part{rect.left, rect.top, split, rect.bottom};
  const WinRect right_part{split, rect.top, rect.right, rect.bottom};

  canvas.fillRect(ToQRect(rect), button_face);
  if (progress == 0) return;

  const QString text = QString::fromStdString(std::to_string(progress / 10) + "%");
  const std::int32_t text_width = QFontMetrics(canvas.font()).horizontalAdvance(text);
  const std::int32_t x = rect.left + width / 2 - text_width / 2;
  const std::int32_t y = rect.top;

  DrawClippedText(canvas, right_part, x, y, text, button_face, FromBgr(kBlack));
  canvas.fillRect(ToQRect(left_part), FromBgr(kBarColour));
  DrawClippedText(canvas, left_part, x, y, text, FromBgr(kBarColour), FromBgr(kWhite));
}

}  // namespace app
