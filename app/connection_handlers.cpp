// The manual connection, the speed choice, the port list refresh and the
// file choice.
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "app/baud_table.h"
#include "app/file_dialog.h"
#include "app/main_form.h"
#include "app/port_path.h"

namespace app {

void TMainForm::ConnectBtnClick() {
  if (unit.PortConnected) {
    // The port of a run belongs to the run until its last tick.
    if (unit.RunGoing) return;
    unit.comm.CommClose();
    ConnectBtn->setText("Connect");
    unit.PortConnected = false;
    return;
  }
  const std::optional<std::string> port_path = ResolvePortPath(*CommPortBox, unit.PortTable);
  if (port_path && unit.comm.CommOpen(port_path->c_str(), BaudForSpeedIndex(unit.SpeedIndex))) {
    ConnectBtn->setText("Disconnect");
    unit.PortConnected = true;
    return;
  }
  ShowErrorMessage("Unable to open Serial Port");
}

void TMainForm::SpeedBoxChange() {
  unit.SpeedIndex = SpeedBox->currentIndex();
}

void TMainForm::RefreshBtnClick() {
  RefreshPortList();
}

void TMainForm::BrowseBtnClick() {
  const std::optional<QString> chosen = FileDialogRunner()(*OpenDialog1);
  if (chosen) FileNameEdit->setText(QFileInfo(*chosen).absoluteFilePath());
}

}  // namespace app
