// The window as it opens: every control at its place with its caption,
// state and place in the tab order.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/monitor_box.h"
#include "app/status_bar.h"
#include "app/status_light.h"
#include "app/symbol_button.h"
#include "app/window_fonts.h"
#include "tests/app/window_fixture.h"

namespace app_test {
namespace {

using Accessor = std::function<QWidget*(app::TMainForm&)>;
#define CONTROL(name) #name, [](app::TMainForm & f) -> QWidget* { return f.name; }

struct ControlRow {
  const char* name;
  Accessor control;
  const char* kind;
  QRect place;
  const char* caption;
  bool shown;
};

QString Caption(QWidget* control) {
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* box = qobject_cast<QComboBox*>(control)) return box->currentText();
  if (auto* monitor = qobject_cast<app::MonitorBox*>(control)) return monitor->toPlainText();
  return {};
}

const ControlRow kControls[] = {
    {CONTROL(Label1), "QLabel", {8, 11, 33, 13}, "Port", true},
    {CONTROL(Label19), "QLabel", {444, 83, 31, 13}, "Speed", false},
    {CONTROL(Label2), "QLabel", {8, 48, 32, 13}, "File", true},
    {CONTROL(CommPortBox), "QComboBox", {48, 8, 409, 21}, "", true},
    // A first start (no settings yet) selects 115200.
    {CONTROL(SpeedBox), "QComboBox", {480, 80, 65, 21}, "115200", false},
    {CONTROL(ConnectBtn), "QPushButton", {450, 112, 96, 22}, "Connect", false},
    {CONTROL(RefreshBtn), "QPushButton", {472, 8, 75, 22}, "Refresh", true},
    {CONTROL(BitBtn1), "QPushButton", {472, 224, 75, 25}, "&Close", true},
    {CONTROL(FileNameEdit), "QLineEdit", {48, 40, 409, 21}, "", true},
    {CONTROL(BrowseBtn), "QPushButton", {472, 40, 75, 22}, "Browse", true},
    {CONTROL(LoadBtn), "QPushButton", {48, 80, 73, 25}, "Load", true},
    {CONTROL(StatusBar1), "app::StatusBar", {0, 264, 558, 19}, "", true},
    {CONTROL(ProgressPanel), "QGroupBox", {136, 80, 120, 168}, "Progress", false},
    {CONTROL(MsgList), "app::MonitorBox", {8, 272, 537, 289}, "", false},
    {CONTROL(ClearBtn), "QPushButton", {48, 224, 75, 25}, "Clear", true},
    {CONTROL(StartISPChk), "QCheckBox", {48, 112, 81, 17}, "Start ISP", true},
    {CONTROL(ListShowBtn), "app::SymbolButton", {9, 228, 25, 21}, "q", true},
    {CONTROL(EA_Btn), "QPushButton", {304, 112, 105, 25}, "Data Erase All", false},
    {CONTROL(CR_Btn), "QPushButton", {304, 144, 105, 25}, "Config Reset", false},
    {CONTROL(ResetBtn), "QPushButton", {304, 176, 105, 25}, "Reset Module", true},
};

struct LightPlace {
  const char* name;
  Accessor light;
  int top;
  const char* caption;
};

const LightPlace kLights[] = {
    {CONTROL(ConnectedPanel), 16, "Connect"},       {CONTROL(SyncPanel), 37, "Synchronize"},
    {CONTROL(UnlockPanel), 58, "Unlock"},           {CONTROL(ErasedPanel), 79, "Erase"},
    {CONTROL(BlankPanel), 100, "Blank Check"},      {CONTROL(ProgPanel), 121, "Program"},
    {CONTROL(RestartPanel), 142, "Restart Module"},
};

using LayoutTest = WindowTest;

TEST_F(LayoutTest, EveryControlStartsAtItsPlaceWithItsCaptionAndVisibility) {
  for (const ControlRow& row : kControls) {
    SCOPED_TRACE(row.name);
    QWidget* control = row.control(*form);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(form->findChild<QWidget*>(row.name), control);
    EXPECT_EQ(control->parentWidget(), form.get());
    EXPECT_STREQ(control->metaObject()->className(), row.kind);
    EXPECT_EQ(control->geometry(), row.place);
    EXPECT_EQ(Caption(control), row.caption);
    EXPECT_EQ(control->isVisible(), row.shown);
  }
}

TEST_F(LayoutTest, LightsStandInTheProgressGroupGreyAndInOrder) {
  for (const LightPlace& row : kLights) {
    SCOPED_TRACE(row.name);
    auto* light = qobject_cast<app::StatusLight*>(row.light(*form));
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->objectName(), row.name);
    EXPECT_EQ(light->parentWidget(), form->ProgressPanel);
    EXPECT_EQ(light->geometry(), QRect(5, row.top, 110, 20));
    EXPECT_EQ(light->Caption(), row.caption);
    EXPECT_EQ(light->TextColour(), app::kLightGrey);
    EXPECT_FALSE(light->isHidden());
  }
}

// The names in the window's focus chain that are among names, in chain order.
std::vector<QString> FocusChain(QWidget* start, const std::vector<QString>& names) {
  std::vector<QString> chain;
  QWidget* widget = start;
  do {
    const QString name = widget->objectName();
    if (std::find(names.begin(), names.end(), name) != names.end() &&
        std::find(chain.begin(), chain.end(), name) == chain.end()) {
      chain.push_back(name);
    }
    widget = widget->nextInFocusChain();
  } while (widget != start);
  return chain;
}

TEST_F(LayoutTest, TabOrderFollowsTheLayout) {
  const std::vector<QString> controls = {
      "CommPortBox", "SpeedBox", "ConnectBtn",    "RefreshBtn", "BitBtn1",  "FileNameEdit",
      "BrowseBtn",   "LoadBtn",  "ProgressPanel", "MsgList",    "ClearBtn", "StartISPChk",
      "ListShowBtn", "EA_Btn",   "CR_Btn",        "ResetBtn"};
  EXPECT_EQ(FocusChain(form->CommPortBox, controls), controls);
  std::vector<QString> lights;
  for (const LightPlace& row : kLights) lights.push_back(row.name);
  EXPECT_EQ(FocusChain(form->ConnectedPanel, lights), lights);
}

TEST_F(LayoutTest, WindowIsFixedWithMinimiseButNoMaximise) {
  EXPECT_EQ(form->windowTitle(), "Tarvo Loader");
  EXPECT_EQ(form->size(), QSize(558, 283));
  EXPECT_EQ(form->minimumSize(), QSize(558, 283));
  EXPECT_EQ(form->maximumSize(), QSize(558, 283));
  EXPECT_EQ(form->pos(), QPoint(688, 203));
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(LayoutTest, ControlsStartInTheirState) {
  EXPECT_TRUE(form->StartISPChk->isChecked());
  EXPECT_TRUE(form->CommPortBox->isEditable());
  EXPECT_EQ(form->CommPortBox->count(), 0);
  EXPECT_EQ(form->CommPortBox->currentIndex(), -1);
  QStringList speeds;
  for (int i = 0; i < form->SpeedBox->count(); ++i) speeds << form->SpeedBox->itemText(i);
  EXPECT_EQ(speeds, QStringList({"2400", "4800", "9600", "19200", "38400", "115200"}));
  EXPECT_EQ(form->ConnectBtn->toolTip(), "Connect or Disconnect to the Mereth Module");
  EXPECT_EQ(form->ConnectBtn->icon().actualSize(QSize(64, 64)), QSize(16, 16));
  EXPECT_EQ(form->OpenDialog1->defaultSuffix(), "hex");
  EXPECT_EQ(form->OpenDialog1->nameFilters(), QStringList({"Hex Files (*.hex)"}));
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(form->Timer1->interval(), 200);
  EXPECT_FALSE(form->StatusTimer->isActive());
  EXPECT_EQ(form->StatusTimer->interval(), 2000);
  for (int panel = 0; panel < app::StatusBar::kPanelCount; ++panel) {
    EXPECT_EQ(form->StatusBar1->PanelText(panel), "");
  }
  EXPECT_EQ(form->StatusBar1->PanelWidth(0), 100);
  EXPECT_EQ(form->StatusBar1->PanelWidth(1), 400);
  EXPECT_EQ(form->StatusBar1->PanelWidth(2), 50);
  EXPECT_EQ(form->unit.MonitorShown, 0);
  EXPECT_EQ(form->unit.MonitorNewLine, 1);
  EXPECT_FALSE(form->unit.PortConnected);
  EXPECT_EQ(form->unit.comm.Monitor->MonitorShown(), false);
  EXPECT_EQ(form->unit.comm.CommLog, nullptr);
}

struct FontRow {
  const char* name;
  Accessor control;
  const char* family;  // the face the window is designed for
  int pixel_size;
  bool bold;
};

TEST_F(LayoutTest, ControlsAskForTheirFonts) {
  const FontRow fonts[] = {
      {CONTROL(LoadBtn), "MS Sans Serif", 11, false},
      {CONTROL(StatusBar1), "Tahoma", 11, true},
      {CONTROL(ConnectedPanel), "MS Sans Serif", 11, true},
      {CONTROL(MsgList), "Fixedsys", 12, false},
      {CONTROL(ListShowBtn), "Wingdings 3", 16, true},
  };
  for (const FontRow& row : fonts) {
    SCOPED_TRACE(row.name);
    const QFont font = row.control(*form)->font();
    ASSERT_FALSE(font.families().isEmpty());
    EXPECT_EQ(font.families().front(), row.family);
    EXPECT_EQ(font.pixelSize(), row.pixel_size);
    EXPECT_EQ(font.bold(), row.bold);
  }
  // The monitor's stand-in face keeps the columns of the traffic aligned.
  EXPECT_TRUE(QFontInfo(form->MsgList->font()).fixedPitch());
}

// The rows of the button's picture that hold dark pixels, and the widest of them.
struct TriangleRows {
  int top = -1, bottom = -1, widest = -1;
};

TriangleRows DarkRows(QWidget& button) {
  const QImage image = button.grab().toImage();
  TriangleRows rows;
  int widest_count = 0;
  for (int y = 0; y < image.height(); ++y) {
    int count = 0;
    for (int x = 2; x < image.width() - 2; ++x) count += qGray(image.pixel(x, y)) < 64;
    if (count == 0) continue;
    if (rows.top < 0) rows.top = y;
    rows.bottom = y;
    if (count > widest_count) {
      widest_count = count;
      rows.widest = y;
    }
  }
  return rows;
}

TEST_F(LayoutTest, TriangleButtonPointsDownToOpenAndUpToClose) {
  if (app::HasSymbolFont()) GTEST_SKIP() << "the symbol font draws the triangles";
  const TriangleRows down = DarkRows(*form->ListShowBtn);
  ASSERT_GE(down.top, 0);
  EXPECT_EQ(down.widest, down.top);  // broad side up: points down

  form->ListShowBtn->click();
  EXPECT_EQ(form->ListShowBtn->text(), "p");
  const TriangleRows up = DarkRows(*form->ListShowBtn);
  ASSERT_GE(up.top, 0);
  EXPECT_EQ(up.widest, up.bottom);  // broad side down: points up
}

TEST_F(LayoutTest, CloseButtonClosesTheWindow) {
  form->BitBtn1->click();
  EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace app_test
