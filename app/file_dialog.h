#pragma once

#include <QString>
#include <functional>
#include <optional>

class QFileDialog;

namespace app {

// Runs the file-open dialog; the chosen file's full path, or nothing when
// the operator cancelled. Tests put their own function here.
using FileDialogFunction = std::function<std::optional<QString>(QFileDialog& dialog)>;
FileDialogFunction& FileDialogRunner();

}  // namespace app
