#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace app {

// Every message the operator must acknowledge goes through this one
// function: a modal box with the caption "Error", a warning icon and an OK
// button, which returns when the operator has closed it. Tests put their own
// function here so that runs need no person.
using ErrorBoxFunction = std::function<void(QWidget* parent, const QString& text)>;
ErrorBoxFunction& ErrorBox();

void ShowModalErrorBox(QWidget* parent, const QString& text);

}  // namespace app
