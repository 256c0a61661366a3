// Takes a picture of the window against the simulator in the middle of a
// run, with the traffic monitor shown: scripts/screenshot.sh runs it under
// Xvfb for docs/screenshot.png.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/main_form.h"
#include "app/monitor_box.h"
#include "app/symbol_button.h"
#include "app/tools/isolated_window.h"
#include "app/tools/pattern_hex.h"
#include "app/tools/sim_launcher.h"

namespace {

constexpr int kImageBytes = 32 * 1024;
constexpr int kPollMs = 10;
constexpr int kGiveUpMs = 120000;

// The window as the display shows it where there is one; rendered by the
// window itself on the offscreen platform.
QPixmap Picture(app::TMainForm& form) {
  form.MsgList->ShowChanges();
  form.repaint();
  if (QGuiApplication::platformName() == "xcb" && form.screen() != nullptr) {
    return form.screen()->grabWindow(form.winId());
  }
  return form.grab();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  app::tools::IsolateWindow();
  QCommandLineParser parser;
  const QCommandLineOption sim_option("sim", "The isp-sim program.", "PATH");
  const QCommandLineOption out_option("out", "The PNG to write.", "PNG");
  const QCommandLineOption progress_option("progress", "Per mille of the run to wait for.", "N",
                                           "450");
  parser.addOptions({sim_option, out_option, progress_option});
  parser.process(application);
  const QString out_path = QDir::current().absoluteFilePath(parser.value(out_option));
  const int wanted_progress = parser.value(progress_option).toInt();

  // The run writes its log into the working directory.
  QTemporaryDir work_dir;
  QDir::setCurrent(work_dir.path());
  const QString hex_path = work_dir.filePath("pattern.hex");
  app_tools::WritePatternHex(hex_path, kImageBytes);
  app_tools::SimLauncher sim(parser.value(sim_option), {"--baud-rate", "115200"});
  if (sim.PortPath().isEmpty()) {
    std::fprintf(stderr, "the simulator did not start\n");
    return 1;
  }

  app::TMainForm form;
  form.show();
  form.CommPortBox->setEditText(sim.PortPath());
  form.FileNameEdit->setText(hex_path);
  form.ListShowBtn->click();
  form.LoadBtn->click();

  int status = 1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form.unit.DisplayedProgress < wanted_progress) return;
    poll.stop();
    status = Picture(form).save(out_path, "PNG") ? 0 : 1;
    std::printf("%s at %d per mille\n", qPrintable(out_path), form.unit.DisplayedProgress);
    QApplication::quit();
  });
  poll.start(kPollMs);
  QTimer::singleShot(kGiveUpMs, [] { QApplication::exit(1); });
  if (QApplication::exec() != 0) return 1;
  return status;
}
