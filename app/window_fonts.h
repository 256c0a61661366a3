#pragma once

#include <QFont>

namespace app {

// The fonts the window is designed for come first in each family list; the
// others stand in for them on machines without the Windows fonts.
QFont WindowFont();     // "MS Sans Serif", 11 px
QFont LightFont();      // "MS Sans Serif", bold, 11 px
QFont StatusBarFont();  // "Tahoma", bold, 11 px
QFont MonitorFont();    // "Fixedsys"
QFont SymbolFont();     // "Wingdings 3", bold, 16 px

// Whether "Wingdings 3" is installed, so that "q" and "p" draw as arrows.
bool HasSymbolFont();

}  // namespace app
