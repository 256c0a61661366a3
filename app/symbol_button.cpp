#include "app/symbol_button.h"

#include <QPolygon>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "app/window_fonts.h"

namespace app {

SymbolButton::SymbolButton(const QString& symbol, QWidget* parent)
    : QPushButton(symbol, parent), font_draws_symbol_(HasSymbolFont()) {
  setFont(SymbolFont());
}

void SymbolButton::paintEvent(QPaintEvent* event) {
  if (font_draws_symbol_) {
    QPushButton::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);

  const QPoint centre = rect().center();
  const int half = 5;
  const int rise = text() == "p" ? -1 : 1;  // "p" points up, anything else down
  const QPolygon triangle({QPoint(centre.x() - half, centre.y() - rise * 2),
                           QPoint(centre.x() + half, centre.y() - rise * 2),
                           QPoint(centre.x(), centre.y() + rise * 3)});
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(isEnabled() ? Qt::black : Qt::gray);
  painter.drawPolygon(triangle);
}

}  // namespace app
