// The programming run: one click of Load starts it, each tick of Timer1 runs
// one state of the engine, and the tick that gets completion or failure
// closes the log and the port and shows the outcome for two seconds.
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/baud_table.h"
#include "app/main_form.h"
#include "app/port_path.h"
#include "app/status_bar.h"
#include "app/status_light.h"
#include "app/timer_switch.h"
#include "isp/run_log.h"

namespace app {
namespace {

constexpr isp::Light kLightsShownByTheEngine[] = {
    isp::Light::SyncPanel,  isp::Light::UnlockPanel, isp::Light::ErasedPanel,
    isp::Light::BlankPanel, isp::Light::ProgPanel,   isp::Light::RestartPanel};

bool RunEnds(std::int32_t progress) {
  return progress == isp::kProgressFailed || progress >= isp::kProgressDone;
}

}  // namespace

void SetStatusText(const char* text) {
  if (MainForm == nullptr) return;
  MainForm->StatusBar1->SetPanelText(0, QString::fromLatin1(text));
}

void TMainForm::LoadBtnClick() {
  // A run holds the port and the log until its last tick; a second start
  // would reset the engine under it, so the click is ignored.
  if (unit.RunGoing) return;

  const QByteArray file_name = FileNameEdit->text().toLocal8Bit();
  if (!unit.engine.LoadHexFile(file_name.constData())) return;

  for (isp::Light light : kLightsShownByTheEngine) LightPanel(light)->hide();
  ProgressPanel->show();
  // After loading, so this overrides any colour set while the file loaded.
  SetLightState(isp::Light::ConnectedPanel, isp::LightState::Idle);
  for (isp::Light light : kLightsShownByTheEngine) SetLightState(light, isp::LightState::Idle);

  const std::optional<std::string> port_path = ResolvePortPath(*CommPortBox, unit.PortTable);
  if (port_path && unit.comm.CommOpen(port_path->c_str(), kRunBaud)) {
    isp::AttachRunLog(unit.comm);
    ConnectBtn->setText("Disconnect");
    unit.PortConnected = true;
    unit.RunGoing = true;
    // A file dialog opened inside a tick would hold the run up.
    BrowseBtn->setEnabled(false);
    SetLightState(isp::Light::ConnectedPanel, isp::LightState::Done);
    SetStatusText("Loading...");
    EnableTimer(*Timer1);
    return;
  }
  // No port named, or it does not open.
  SetLightState(isp::Light::ConnectedPanel, isp::LightState::Failed);
  ShowErrorMessage("Unable to open Serial Port");
  SetLightState(isp::Light::ConnectedPanel, isp::LightState::Idle);
  ProgressPanel->hide();
}

void TMainForm::Timer1Timer() {
  Timer1->stop();
  unit.DisplayedProgress = unit.engine.IspStep();
  if (RunEnds(unit.DisplayedProgress)) {
    EnableTimer(*StatusTimer);
    SetStatusText(unit.DisplayedProgress == isp::kProgressFailed ? "Failed!" : "Complete.");
    isp::DetachRunLog(unit.comm);
    unit.comm.CommClose();
    ConnectBtn->setText("Connect");
    unit.PortConnected = false;
    unit.RunGoing = false;
    BrowseBtn->setEnabled(true);
    SetLightState(isp::Light::ConnectedPanel, isp::LightState::Idle);
    ProgressPanel->hide();
  } else {
    EnableTimer(*Timer1);
  }
  StatusBar1->repaint();
}

void TMainForm::StatusTimerTimer() {
  SetStatusText("");
  unit.DisplayedProgress = 0;
  StatusBar1->repaint();
  StatusTimer->stop();
}

void TMainForm::StatusBar1DrawPanel(QPainter& canvas, int, const WinRect& rect) {
  DrawProgressPanel(canvas, rect, unit.DisplayedProgress,
                    StatusBar1->palette().color(QPalette::Button));
}

void TMainForm::setVisible(bool visible) {
  // The settings place the window before it first appears.
  if (visible && !shown_before_) {
    shown_before_ = true;
    FormShow();
  }
  QWidget::setVisible(visible);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  FormClose();
  // Closing the window does not end a run; what the run logged so far
  // reaches the disk now.
  if (unit.comm.CommLog != nullptr) std::fflush(unit.comm.CommLog);
  QWidget::closeEvent(event);
}

TMainForm::~TMainForm() {
  Timer1->stop();
  StatusTimer->stop();
  // A run cut short keeps its log without the "End." of a run that ended.
  if (unit.comm.CommLog != nullptr) {
    std::fclose(unit.comm.CommLog);
    unit.comm.CommLog = nullptr;
  }
  unit.comm.Monitor = nullptr;
  if (MainForm == this) MainForm = nullptr;
}

}  // namespace app
