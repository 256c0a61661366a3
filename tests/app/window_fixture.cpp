#include "tests/app/window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QStandardPaths>
#include <QThread>

#include "app/error_box.h"
#include "app/qt_settings_store.h"
#include "app/status_light.h"

namespace app_test {

void EnsureApplication() {
  // Never destroyed: a QApplication must not end in static destruction.
  static int argc = 1;
  static char name[] = "tarvo_app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    QStandardPaths::setTestModeEnabled(true);
    return new QApplication(argc, argv);
  }();
  (void)application;
}

app::PortEnumeratorFunction FixedPorts(const std::vector<std::array<std::string, 3>>& ports) {
  return [ports](const comm::PortCallback& callback, int user_value) {
    for (const auto& [name, friendly, enumerator] : ports) {
      if (callback(user_value, {name.c_str(), friendly.c_str(), enumerator.c_str()}) == 0) break;
    }
    return 1;
  };
}

bool RunUntil(const std::function<bool()>& done, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

namespace {

char LightMark(const app::StatusLight& light) {
  if (light.isHidden()) return '-';
  switch (light.TextColour()) {
    case app::kLightGrey:
      return 'g';
    case app::kLightGreen:
      return 'G';
    case app::kLightRed:
      return 'R';
    default:
      return '?';
  }
}

}  // namespace

std::string LightRow(const app::TMainForm& form) {
  std::string row;
  for (int i = 0; i < isp::kLightCount; ++i) {
    row += LightMark(*form.LightPanel(static_cast<isp::Light>(i)));
  }
  return row;
}

void WindowTest::SetUp() {
  EnsureApplication();
  app::ErrorBox() = [this](QWidget*, const QString& text) {
    messages.push_back({text, LightRow(*form), !form->ProgressPanel->isHidden()});
  };
  app::SettingsStoreMaker() = settings.Maker();
  app::PortEnumerator() = [this](const comm::PortCallback& callback, int user_value) {
    return FixedPorts(ports)(callback, user_value);
  };
  form = MakeForm();
  form->show();
}

void WindowTest::TearDown() {
  form.reset();
  app::ErrorBox() = app::ShowModalErrorBox;
  app::SettingsStoreMaker() = [] { return std::make_unique<app::QtSettingsStore>(); };
  app::PortEnumerator() = comm::EnumSerialPorts;
}

std::unique_ptr<app::TMainForm> WindowTest::MakeForm() {
  return std::make_unique<app::TMainForm>();
}

void WindowTest::Prepare(const std::string& port_path, const std::string& hex_path) {
  form->CommPortBox->setEditText(QString::fromStdString(port_path));
  form->FileNameEdit->setText(QString::fromStdString(hex_path));
}

bool WindowTest::WaitRunEnd(int timeout_ms) {
  return RunUntil([this] { return !form->unit.RunGoing; }, timeout_ms);
}

}  // namespace app_test
