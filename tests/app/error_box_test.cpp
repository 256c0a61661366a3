// The operator's message box itself: modal, "Error", a warning icon and OK.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/error_box.h"
#include "tests/app/window_fixture.h"

namespace app_test {
namespace {

TEST(ErrorBoxTest, ModalWarningWithCaptionErrorAndOneOkButton) {
  EnsureApplication();
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool modal = false;
  QList<QAbstractButton*> buttons;
  // Looks at the box once it is open, then closes it as the operator would.
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    modal = box->isModal();
    buttons = box->buttons();
    box->button(QMessageBox::Ok)->click();
  });
  app::ShowModalErrorBox(nullptr, "Unable to open Serial Port");
  EXPECT_EQ(title, "Error");
  EXPECT_EQ(text, "Unable to open Serial Port");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_TRUE(modal);
  EXPECT_EQ(buttons.size(), 1);
}

}  // namespace
}  // namespace app_test
