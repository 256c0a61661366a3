// The window benchmark: the same programming run against the simulator,
// paced at 115200 baud, with the traffic monitor hidden and shown. Prints
// the wall times, their ratio, how much text the monitor holds, and what a
// received byte costs the monitor when it is empty and when it is full.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/main_form.h"
#include "app/monitor_box.h"
#include "app/status_bar.h"
#include "app/symbol_button.h"
#include "app/tools/isolated_window.h"
#include "app/tools/pattern_hex.h"
#include "app/tools/sim_launcher.h"
#include "comm/traffic_monitor.h"

namespace {

constexpr int kRunLimitMs = 300000;
constexpr double kTargetRatio = 1.15;
constexpr int kCostBytes = 20000;

struct RunResult {
  double seconds = 0;
  bool complete = false;
  int lines = 0;
  int characters = 0;
};

long ResidentKiB() {
  QFile statm("/proc/self/statm");
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

// One run from the click on Load to the tick that ends it.
RunResult TimedRun(const QString& sim_program, const QString& hex_path, bool monitor_shown) {
  app_tools::SimLauncher sim(sim_program, {"--baud-rate", "115200", "--once"});
  RunResult result;
  if (sim.PortPath().isEmpty()) return result;

  app::TMainForm form;
  form.show();
  form.StartISPChk->setChecked(false);
  form.CommPortBox->setEditText(sim.PortPath());
  form.FileNameEdit->setText(hex_path);
  if (monitor_shown) form.ListShowBtn->click();

  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!form.unit.RunGoing) loop.quit();
  });
  QElapsedTimer clock;
  clock.start();
  form.LoadBtn->click();
  poll.start(5);
  QTimer::singleShot(kRunLimitMs, &loop, &QEventLoop::quit);
  if (form.unit.RunGoing) loop.exec();
  result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  result.complete = form.StatusBar1->PanelText(0) == "Complete.";
  result.lines = form.MsgList->LineCount();
  result.characters = form.MsgList->document()->characterCount();
  return result;
}

// Microseconds per received byte that grows the last line of the monitor,
// with the monitor holding lines_before lines first.
double RxByteCost(int lines_before) {
  app::TMainForm form;
  form.show();
  form.ListShowBtn->click();
  const QByteArray line(60, 'x');
  for (int i = 0; i < lines_before; ++i) form.MonitorAppend(line.constData(), comm::kSentColour);
  form.MonitorPrintf(comm::kSentColour, "%s", "J\r");
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < kCostBytes; ++i) {
    // Every 60 bytes a new line begins, as replies do; the monitor stays full.
    if (i % 60 == 59) form.MonitorPrintf(comm::kSentColour, "%s", "J\r");
    const std::uint8_t byte = static_cast<std::uint8_t>('0' + i % 10);
    form.MonitorAppendRx(comm::kReceivedColour, &byte, 1);
  }
  return static_cast<double>(clock.nsecsElapsed()) / 1e3 / kCostBytes;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  app::tools::IsolateWindow();
  QCommandLineParser parser;
  const QCommandLineOption sim_option("sim", "The isp-sim program.", "PATH");
  const QCommandLineOption size_option("size", "Bytes in the image.", "BYTES", "65536");
  const QCommandLineOption repeat_option("repeat", "Runs in each mode.", "N", "1");
  parser.addOptions({sim_option, size_option, repeat_option});
  parser.process(application);
  const int size = parser.value(size_option).toInt();
  const int repeat = std::max(1, parser.value(repeat_option).toInt());

  QTemporaryDir work_dir;
  QDir::setCurrent(work_dir.path());
  const QString hex_path = work_dir.filePath("bench.hex");
  app_tools::WritePatternHex(hex_path, size);

  std::printf("window run of %d bytes, simulator paced at 115200 baud, %s platform\n", size,
              qPrintable(QGuiApplication::platformName()));
  double best[2] = {0, 0};
  for (int round = 0; round < repeat; ++round) {
    for (int shown = 0; shown < 2; ++shown) {
      const long rss_before = ResidentKiB();
      const RunResult run = TimedRun(parser.value(sim_option), hex_path, shown != 0);
      if (!run.complete) {
        std::printf("run with the monitor %s did not complete\n", shown ? "shown" : "hidden");
        return 1;
      }
      std::printf("monitor %-6s  %7.2f s", shown ? "shown" : "hidden", run.seconds);
      if (shown) {
        std::printf("  (monitor: %d lines of at most %d, %d characters; resident %+ld KiB)",
                    run.lines, app::MonitorBox::kLineLimit, run.characters,
                    ResidentKiB() - rss_before);
      }
      std::printf("\n");
      std::fflush(stdout);
      if (best[shown] == 0 || run.seconds < best[shown]) best[shown] = run.seconds;
    }
  }
  const double ratio = best[1] / best[0];
  std::printf("ratio shown / hidden: %.3f (target <= %.2f)%s\n", ratio, kTargetRatio,
              ratio <= kTargetRatio ? "" : "  ABOVE TARGET");

  std::printf(
      "received byte on the last line: %.1f us with an empty monitor, %.1f us with %d lines\n",
      RxByteCost(0), RxByteCost(app::MonitorBox::kLineLimit), app::MonitorBox::kLineLimit);
  return 0;
}
