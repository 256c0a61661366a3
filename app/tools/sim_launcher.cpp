#include "app/tools/sim_launcher.h"

namespace app_tools {
namespace {

constexpr int kStartLimitMs = 5000;
constexpr int kStopLimitMs = 5000;

}  // namespace

SimLauncher::SimLauncher(const QString& program, const QStringList& arguments)
    : process_(std::make_unique<QProcess>()) {
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_->start(program, arguments);
  if (!process_->waitForStarted(kStartLimitMs)) return;
  while (!process_->canReadLine() && process_->waitForReadyRead(kStartLimitMs)) {
  }
  port_path_ = QString::fromLocal8Bit(process_->readLine()).trimmed();
}

SimLauncher::~SimLauncher() {
  if (process_->state() == QProcess::NotRunning) return;
  process_->terminate();
  if (!process_->waitForFinished(kStopLimitMs)) process_->kill();
  process_->waitForFinished(kStopLimitMs);
}

}  // namespace app_tools
