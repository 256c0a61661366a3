#include "app/pictures.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace app {
namespace {

// Both pictures keep to the 16-colour palette of the classic Windows icons.
const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kYellow(255, 255, 0);

}  // namespace

QIcon WindowIcon() {
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setPen(Qt::black);
  painter.setBrush(kTeal);
  painter.drawRect(4, 10, 23, 18);  // the module
  painter.setPen(kSilver);
  for (int x = 7; x < 26; x += 4) {
    painter.drawLine(x, 6, x, 9);  // its pins
    painter.drawLine(x, 29, x, 31);
  }
  painter.setPen(Qt::black);
  painter.setBrush(kYellow);
  painter.drawPolygon(QPolygon({QPoint(12, 12), QPoint(19, 12), QPoint(19, 18), QPoint(23, 18),
                                QPoint(15, 26), QPoint(8, 18), QPoint(12, 18)}));
  return QIcon(picture);
}

QIcon ConnectPicture() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setPen(Qt::black);
  painter.setBrush(kSilver);
  painter.drawRect(1, 5, 6, 6);  // plug body
  painter.drawRect(9, 5, 6, 6);  // socket
  painter.setPen(kNavy);
  painter.drawLine(7, 7, 9, 7);  // prongs
  painter.drawLine(7, 9, 9, 9);
  return QIcon(picture);
}

}  // namespace app
