#include "app/status_bar.h"

#include <qdrawutil.h>
#include <QPainter>

namespace app {
namespace {

constexpr std::array<int, StatusBar::kPanelCount> kPanelWidths = {100, 400, 50};
constexpr int kPanelGap = 2;   // between two panels
constexpr int kTopBorder = 2;  // above the panels
constexpr int kTextIndent = 2;

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
}

int StatusBar::PanelWidth(int panel) const {
  return kPanelWidths.at(static_cast<std::size_t>(panel));
}

const QString& StatusBar::PanelText(int panel) const {
  return texts_.at(static_cast<std::size_t>(panel));
}

void StatusBar::SetPanelText(int panel, const QString& text) {
  texts_.at(static_cast<std::size_t>(panel)) = text;
  update();
}

WinRect StatusBar::PanelRect(int panel) const {
  int left = 0;
  for (int i = 0; i < panel; ++i) left += PanelWidth(i) + kPanelGap;
  // One pixel inside the sunken edge of the panel's box.
  return WinRect{left + 1, kTopBorder + 1, left + PanelWidth(panel) - 1, height() - 1};
}

void StatusBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  for (int panel = 0; panel < kPanelCount; ++panel) {
    const WinRect inside = PanelRect(panel);
    const QRect box = ToQRect(inside).adjusted(-1, -1, 1, 1);
    qDrawShadePanel(&painter, box, palette(), true, 1);
    if (panel == kOwnerDrawnPanel) {
      if (!OnDrawPanel) continue;
      // The owner draws inside its panel only.
      painter.save();
      painter.setClipRect(ToQRect(inside));
      OnDrawPanel(painter, panel, inside);
      painter.restore();
    } else {
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(ToQRect(inside).adjusted(kTextIndent, 0, 0, 0),
                       Qt::AlignLeft | Qt::AlignVCenter, PanelText(panel));
    }
  }
}

}  // namespace app
