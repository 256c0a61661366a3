// The window as the programming engine sees it: lights, the erase caption,
// the tick interval, the "Start ISP" option and the error messages.
#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>

#include "app/error_box.h"
#include "app/main_form.h"
#include "app/status_light.h"

namespace app {

StatusLight* TMainForm::LightPanel(isp::Light light) const {
  switch (light) {
    case isp::Light::ConnectedPanel:
      return ConnectedPanel;
    case isp::Light::SyncPanel:
      return SyncPanel;
    case isp::Light::UnlockPanel:
      return UnlockPanel;
    case isp::Light::ErasedPanel:
      return ErasedPanel;
    case isp::Light::BlankPanel:
      return BlankPanel;
    case isp::Light::ProgPanel:
      return ProgPanel;
    case isp::Light::RestartPanel:
      return RestartPanel;
  }
  return ConnectedPanel;
}

void TMainForm::ShowLight(isp::Light light) {
  LightPanel(light)->show();
}

void TMainForm::SetLightState(isp::Light light, isp::LightState state) {
  LightPanel(light)->SetState(state);
}

void TMainForm::SetErasedCaption(const char* caption) {
  ErasedPanel->SetCaption(QString::fromLatin1(caption));
}

// A new interval takes effect when the timer is next enabled; the engine
// sets it while a tick keeps Timer1 disabled.
void TMainForm::SetTimer1Interval(int ms) {
  Timer1->setInterval(ms);
}

bool TMainForm::StartISPChecked() {
  return StartISPChk->isChecked();
}

void TMainForm::ShowErrorMessage(const char* text) {
  ErrorBox()(this, QString::fromLatin1(text));
}

void TMainForm::ProcessMessages() {
  QCoreApplication::processEvents();
}

}  // namespace app
