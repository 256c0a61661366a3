// Start-up: the application, the one window, the message loop; exit code 0.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <exception>

#include "app/error_box.h"
#include "app/launch_options.h"
#include "app/main_form.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Tarvo Loader");
  QApplication::setApplicationVersion(TARVO_VERSION);
  const app::LaunchOptions options = app::ParseLaunchOptions(QApplication::arguments());
  try {
    app::TMainForm form;
    form.show();
    // The presets go in once the window is shown.
    QTimer::singleShot(0, &form, [&form, &options] {
      if (options.port) form.CommPortBox->setEditText(*options.port);
      if (options.file) form.FileNameEdit->setText(*options.file);
    });
    QApplication::exec();
  } catch (const std::exception& error) {
    // What escapes the window is shown to the operator; the program still
    // ends normally.
    app::ErrorBox()(nullptr, QString::fromLocal8Bit(error.what()));
  }
  return 0;
}
