// The window's layout: every control at its place in the 558 x 283 client
// area, with its caption, initial state and place in the tab order, and the
// handlers bound to the controls' events.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTimer>
#include <utility>

#include "app/main_form.h"
#include "app/monitor_box.h"
#include "app/pictures.h"
#include "app/status_bar.h"
#include "app/status_light.h"
#include "app/symbol_button.h"
#include "app/window_fonts.h"

namespace app {
namespace {

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(name);
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* RightAlignedLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignTop);
  return label;
}

constexpr int kStartLeft = 688;
constexpr int kStartTop = 203;
constexpr int kLightLeft = 5;
constexpr int kFirstLightTop = 16;
constexpr int kLightPitch = 21;
constexpr int kLightWidth = 110;
constexpr int kLightHeight = 20;

}  // namespace

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(QWidget* parent, comm::SerialBackendFactory backends)
    : QWidget(parent), unit(*this, std::move(backends)) {
  setWindowTitle("Tarvo Loader");
  setWindowIcon(WindowIcon());
  // Minimise but no maximise; the fixed size leaves nothing to resize.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  move(kStartLeft, kStartTop);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  setFont(WindowFont());

  CreateControls();
  CreateLights();
  SetTabOrder();
  BindHandlers();

  unit.comm.Monitor = &monitor_hook_;
  MainForm = this;
}

void TMainForm::CreateControls() {
  Label1 = Place(RightAlignedLabel("Port", this), "Label1", 8, 11, 33, 13);
  // The port list belongs entry for entry to the PortTable, so text typed
  // into the field never becomes an entry of its own.
  CommPortBox = Place(new QComboBox(this), "CommPortBox", 48, 8, 409, 21);
  CommPortBox->setEditable(true);
  CommPortBox->setInsertPolicy(QComboBox::NoInsert);

  Label19 = Place(RightAlignedLabel("Speed", this), "Label19", 444, 83, 31, 13);
  SpeedBox = Place(new QComboBox(this), "SpeedBox", 480, 80, 65, 21);
  SpeedBox->addItems({"2400", "4800", "9600", "19200", "38400", "115200"});

  ConnectBtn = Place(new QPushButton("Connect", this), "ConnectBtn", 450, 112, 96, 22);
  ConnectBtn->setToolTip("Connect or Disconnect to the Mereth Module");
  ConnectBtn->setIcon(ConnectPicture());
  ConnectBtn->setIconSize(QSize(16, 16));

  RefreshBtn = Place(new QPushButton("Refresh", this), "RefreshBtn", 472, 8, 75, 22);
  BitBtn1 = Place(new QPushButton("&Close", this), "BitBtn1", 472, 224, 75, 25);
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

  Label2 = Place(RightAlignedLabel("File", this), "Label2", 8, 48, 32, 13);
  FileNameEdit = Place(new QLineEdit(this), "FileNameEdit", 48, 40, 409, 21);
  BrowseBtn = Place(new QPushButton("Browse", this), "BrowseBtn", 472, 40, 75, 22);

  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setObjectName("OpenDialog1");
  OpenDialog1->setDefaultSuffix("hex");
  OpenDialog1->setNameFilter("Hex Files (*.hex)");
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);

  LoadBtn = Place(new QPushButton("Load", this), "LoadBtn", 48, 80, 73, 25);

  StatusBar1 = Place(new StatusBar(this), "StatusBar1", 0, 264, 558, 19);
  StatusBar1->setFont(StatusBarFont());

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(isp::kStartTickMs);
  StatusTimer = new QTimer(this);
  StatusTimer->setObjectName("StatusTimer");
  StatusTimer->setTimerType(Qt::PreciseTimer);
  StatusTimer->setInterval(2000);

  ProgressPanel = Place(new QGroupBox("Progress", this), "ProgressPanel", 136, 80, 120, 168);
  ProgressPanel->hide();

  MsgList = Place(new MonitorBox(this), "MsgList", 8, 272, 537, 289);
  MsgList->setFont(MonitorFont());
  MsgList->hide();

  ClearBtn = Place(new QPushButton("Clear", this), "ClearBtn", 48, 224, 75, 25);
  StartISPChk = Place(new QCheckBox("Start ISP", this), "StartISPChk", 48, 112, 81, 17);
  StartISPChk->setChecked(true);
  ListShowBtn = Place(new SymbolButton("q", this), "ListShowBtn", 9, 228, 25, 21);
  EA_Btn = Place(new QPushButton("Data Erase All", this), "EA_Btn", 304, 112, 105, 25);
  CR_Btn = Place(new QPushButton("Config Reset", this), "CR_Btn", 304, 144, 105, 25);
  ResetBtn = Place(new QPushButton("Reset Module", this), "ResetBtn", 304, 176, 105, 25);

  // Hidden for good; their state still follows the program.
  for (QWidget* hidden : {static_cast<QWidget*>(SpeedBox), static_cast<QWidget*>(Label19),
                          static_cast<QWidget*>(ConnectBtn), static_cast<QWidget*>(EA_Btn),
                          static_cast<QWidget*>(CR_Btn)}) {
    hidden->hide();
  }
}

void TMainForm::CreateLights() {
  StatusLight** lights[isp::kLightCount] = {&ConnectedPanel, &SyncPanel, &UnlockPanel, &ErasedPanel,
                                            &BlankPanel,     &ProgPanel, &RestartPanel};
  static constexpr const char* kNames[isp::kLightCount] = {
      "ConnectedPanel", "SyncPanel", "UnlockPanel", "ErasedPanel",
      "BlankPanel",     "ProgPanel", "RestartPanel"};
  for (int i = 0; i < isp::kLightCount; ++i) {
    *lights[i] = Place(new StatusLight(isp::kLightCaptions[i], ProgressPanel), kNames[i],
                       kLightLeft, kFirstLightTop + i * kLightPitch, kLightWidth, kLightHeight);
  }
}

void TMainForm::SetTabOrder() {
  // The lights keep their order within their group: the order they were made in.
  QWidget* const order[] = {CommPortBox,   SpeedBox,     ConnectBtn, RefreshBtn,
                            BitBtn1,       FileNameEdit, BrowseBtn,  LoadBtn,
                            ProgressPanel, MsgList,      ClearBtn,   StartISPChk,
                            ListShowBtn,   EA_Btn,       CR_Btn,     ResetBtn};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TMainForm::BindHandlers() {
  connect(LoadBtn, &QPushButton::clicked, this, &TMainForm::LoadBtnClick);
  connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  connect(StatusTimer, &QTimer::timeout, this, &TMainForm::StatusTimerTimer);
  StatusBar1->OnDrawPanel = [this](QPainter& canvas, int panel, const WinRect& rect) {
    StatusBar1DrawPanel(canvas, panel, rect);
  };
  connect(ClearBtn, &QPushButton::clicked, this, &TMainForm::ClearBtnClick);
  connect(ListShowBtn, &QPushButton::clicked, this, &TMainForm::ListShowBtnClick);
  connect(EA_Btn, &QPushButton::clicked, this, &TMainForm::EA_BtnClick);
  connect(CR_Btn, &QPushButton::clicked, this, &TMainForm::CR_BtnClick);
  connect(ResetBtn, &QPushButton::clicked, this, &TMainForm::ResetBtnClick);
  connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
  connect(ConnectBtn, &QPushButton::clicked, this, &TMainForm::ConnectBtnClick);
  // Only the operator's choice changes the speed, not a selection made by
  // the program (the settings may hold a position the box does not have).
  connect(SpeedBox, &QComboBox::activated, this, &TMainForm::SpeedBoxChange);
  connect(RefreshBtn, &QPushButton::clicked, this, &TMainForm::RefreshBtnClick);
  connect(BrowseBtn, &QPushButton::clicked, this, &TMainForm::BrowseBtnClick);
}

void TMainForm::SetClientHeight(int height) {
  setFixedSize(kClientWidth, height);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  // The status bar keeps to the bottom edge when the monitor grows the window.
  StatusBar1->move(0, height() - StatusBar1->height());
  QWidget::resizeEvent(event);
}

}  // namespace app
