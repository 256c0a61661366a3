// The port list: CommPortBox and the PortTable, emptied together and
// refilled entry for entry by discovery, each port listed only when it opens.
#include "app/port_list.h"

#include <QComboBox>

#include "app/baud_table.h"
#include "app/main_form.h"
#include "comm/port_list_entry.h"
#include "comm/port_probe.h"

namespace app {

PortEnumeratorFunction& PortEnumerator() {
  static PortEnumeratorFunction enumerator = comm::EnumSerialPorts;
  return enumerator;
}

void TMainForm::RefreshPortList() {
  CommPortBox->clear();
  CommPortBox->clearEditText();
  unit.PortTable.Clear();
  PortEnumerator()([this](int user_value,
                          const comm::PortInfo& port) { return AddPortCallback(user_value, port); },
                   0);
  // Adding the first entry selects it; after a refresh the operator picks.
  CommPortBox->setCurrentIndex(-1);
}

int TMainForm::AddPortCallback(int /*user_value*/, const comm::PortInfo& port) {
  // The probe goes through the one serial unit: while a run or a connection
  // holds a port, no port opens and the held one stays as it is.
  if (!comm::ProbePort(unit.comm, port.PortName, BaudForSpeedIndex(unit.SpeedIndex))) return 1;
  const std::optional<std::string> entry = comm::PortListEntry(port);
  if (!entry || !unit.PortTable.Add(port.PortName)) return 1;
  CommPortBox->addItem(QString::fromStdString(*entry));
  return 1;
}

}  // namespace app
