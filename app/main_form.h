#pragma once

#include <QWidget>
#include <cstdint>

#include "app/main_unit.h"
#include "app/monitor_hook.h"
#include "app/progress_drawing.h"
#include "comm/module_commands.h"
#include "comm/port_discovery.h"
#include "isp/classic/isp_window.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QTimer;

namespace app {

class MonitorBox;
class StatusBar;
class StatusLight;
class SymbolButton;

// The program's one window: the controls, their handlers, and the window
// side of the engine and of the serial unit's traffic monitor.
class TMainForm : public QWidget, public isp::IspWindow {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 558;
  static constexpr int kClientHeight = 283;
  static constexpr int kMonitorShownHeight = 587;  // grown by the monitor's height

  // Every port opens through backends of the factory (tests hand in doubles).
  explicit TMainForm(QWidget* parent = nullptr,
                     comm::SerialBackendFactory backends = comm::MakeSystemSerialBackend);
  ~TMainForm() override;
  void setVisible(bool visible) override;

  // --- controls, owned by the window
  QLabel* Label1 = nullptr;
  QComboBox* CommPortBox = nullptr;
  QLabel* Label19 = nullptr;
  QComboBox* SpeedBox = nullptr;
  QPushButton* ConnectBtn = nullptr;
  QPushButton* RefreshBtn = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* FileNameEdit = nullptr;
  QPushButton* BrowseBtn = nullptr;
  QFileDialog* OpenDialog1 = nullptr;
  QPushButton* LoadBtn = nullptr;
  StatusBar* StatusBar1 = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* StatusTimer = nullptr;
  QGroupBox* ProgressPanel = nullptr;
  StatusLight* ConnectedPanel = nullptr;
  StatusLight* SyncPanel = nullptr;
  StatusLight* UnlockPanel = nullptr;
  StatusLight* ErasedPanel = nullptr;
  StatusLight* BlankPanel = nullptr;
  StatusLight* ProgPanel = nullptr;
  StatusLight* RestartPanel = nullptr;
  MonitorBox* MsgList = nullptr;
  QPushButton* ClearBtn = nullptr;
  QCheckBox* StartISPChk = nullptr;
  SymbolButton* ListShowBtn = nullptr;
  QPushButton* EA_Btn = nullptr;
  QPushButton* CR_Btn = nullptr;
  QPushButton* ResetBtn = nullptr;

  // --- handlers
  void FormShow();
  void FormClose();
  void ConnectBtnClick();
  void SpeedBoxChange();
  void RefreshBtnClick();
  void BrowseBtnClick();
  void LoadBtnClick();
  void Timer1Timer();
  // Draws the owner-drawn panel 1 (the progress bar) on canvas, whose font
  // is the status bar's; rect is the panel's, right and bottom outside.
  void StatusBar1DrawPanel(QPainter& canvas, int panel, const WinRect& rect);
  void StatusTimerTimer();
  void ClearBtnClick();
  void ListShowBtnClick();
  void EA_BtnClick();
  void CR_BtnClick();
  void ResetBtnClick();

  // --- traffic monitor, fed by the serial unit while MonitorShown is set
  void MonitorAppend(const char* text, std::uint32_t colour);
  [[gnu::format(printf, 3, 4)]] void MonitorPrintf(std::uint32_t colour, const char* format, ...);
  void MonitorAppendRx(std::uint32_t colour, const std::uint8_t* bytes, std::int32_t count);

  // --- the window as the engine sees it
  void ShowLight(isp::Light light) override;
  void SetLightState(isp::Light light, isp::LightState state) override;
  void SetErasedCaption(const char* caption) override;
  void SetTimer1Interval(int ms) override;
  bool StartISPChecked() override;
  void ShowErrorMessage(const char* text) override;
  void ProcessMessages() override;

  StatusLight* LightPanel(isp::Light light) const;

  // --- the port list: emptied together with the PortTable and refilled by
  // discovery through AddPortCallback
  void RefreshPortList();
  int AddPortCallback(int user_value, const comm::PortInfo& port);

  MainUnit unit;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void CreateLights();
  void SetTabOrder();
  void BindHandlers();
  void SetClientHeight(int height);
  void SendModuleCommandOnSelectedPort(comm::ModuleCommand command);
  void ShowRxLine(bool replace_last, std::uint32_t colour);

  MonitorHook monitor_hook_{*this};
  bool shown_before_ = false;
};

// The one window, through which SetStatusText reaches the status bar.
extern TMainForm* MainForm;

// Sets the text of panel 0 of the main window's status bar.
void SetStatusText(const char* text);

}  // namespace app
