#include "app/port_path.h"

#include <QComboBox>

namespace app {

int ListedEntry(const QComboBox& port_box) {
  const QString text = port_box.currentText();
  if (text.isEmpty()) return -1;
  return port_box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

std::optional<std::string> ResolvePortPath(const QComboBox& port_box,
                                           const comm::PortTable& table) {
  const QString text = port_box.currentText();
  const int position = ListedEntry(port_box);
  if (position >= 0) {
    const std::optional<std::string> name = table.Lookup(position);
    if (!name) return std::nullopt;
    return comm::DevicePath(*name);
  }
  if (text.isEmpty()) return std::nullopt;
  return text.toLocal8Bit().toStdString();
}

}  // namespace app
