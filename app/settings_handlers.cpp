// The window's settings: read when the window is first shown, right after
// the port list has been filled, and written when it closes.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/baud_table.h"
#include "app/main_form.h"
#include "app/port_path.h"
#include "app/settings_store.h"

namespace app {
namespace {

// Selects the entry at position; a position the list does not have leaves
// no entry selected.
void SelectEntry(QComboBox& box, int position) {
  box.setCurrentIndex(position >= 0 && position < box.count() ? position : -1);
}

}  // namespace

void TMainForm::FormShow() {
  std::unique_ptr<SettingsStore> store = SettingsStoreMaker()();
  RefreshPortList();  // probes at the speed selected now: 2400 baud at start-up
  int port_index = 0;
  try {
    if (store->OpenKey(kApplicationKey, true) && store->OpenKey(kSettingsKey, true)) {
      move(x(), store->ReadInteger("Top"));
      move(store->ReadInteger("Left"), y());
      port_index = store->ReadInteger("ComPort");
      unit.SpeedIndex = store->ReadInteger("BaudRate");
      FileNameEdit->setText(QString::fromStdString(store->ReadString("FileName")));
    }
  } catch (const SettingsError&) {
    // Values applied before the error stay; the defaults fill the rest.
    SelectEntry(*CommPortBox, 0);
    unit.SpeedIndex = kDefaultSpeedIndex;
  }
  store.reset();
  SelectEntry(*CommPortBox, port_index);
  SelectEntry(*SpeedBox, unit.SpeedIndex);
}

void TMainForm::FormClose() {
  std::unique_ptr<SettingsStore> store = SettingsStoreMaker()();
  try {
    if (store->OpenKey(kApplicationKey, true) && store->OpenKey(kSettingsKey, true)) {
      store->WriteInteger("Top", y());
      store->WriteInteger("Left", x());
      store->WriteInteger("ComPort", ListedEntry(*CommPortBox));
      store->WriteInteger("BaudRate", unit.SpeedIndex);
      store->WriteString("FileName", FileNameEdit->text().toStdString());
      store->WriteInteger("StartISP", StartISPChk->isChecked() ? 1 : 0);
    }
  } catch (const SettingsError&) {
    // What was written stays written; the window closes all the same.
  }
}

}  // namespace app
