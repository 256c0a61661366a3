#pragma once

#include <QIcon>

namespace app {

// The window's 32 x 32 icon: a module with a download arrow.
QIcon WindowIcon();
// ConnectBtn's 16 x 16 picture: a plug.
QIcon ConnectPicture();

}  // namespace app
