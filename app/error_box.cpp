#include "app/error_box.h"

#include <QMessageBox>

namespace app {

void ShowModalErrorBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, "Error", text, QMessageBox::Ok, parent);
  box.exec();
}

ErrorBoxFunction& ErrorBox() {
  static ErrorBoxFunction function = ShowModalErrorBox;
  return function;
}

}  // namespace app
