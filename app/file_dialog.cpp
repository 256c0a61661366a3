#include "app/file_dialog.h"

#include <QFileDialog>

namespace app {

FileDialogFunction& FileDialogRunner() {
  static FileDialogFunction runner = [](QFileDialog& dialog) -> std::optional<QString> {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
  };
  return runner;
}

}  // namespace app
