#include "app/port_path.h"

#include <QComboBox>

namespace app {

std::optional<std::string> ResolvePortPath(const QComboBox& port_box,
                                           const comm::PortTable& table) {
  const QString text = port_box.currentText();
  const int position = port_box.currentIndex();
  if (position >= 0 && text == port_box.itemText(position)) {
    const std::optional<std::string> name = table.Lookup(position);
    if (!name) return std::nullopt;
    return comm::DevicePath(*name);
  }
  if (text.isEmpty()) return std::nullopt;
  return text.toLocal8Bit().toStdString();
}

}  // namespace app
