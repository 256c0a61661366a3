#include "app/window_fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace app {
namespace {

QFont MakeFont(const QStringList& families, int pixel_size, bool bold,
               QFont::StyleHint hint = QFont::SansSerif) {
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(hint);
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

// DejaVu Sans Condensed is nearest in width to the narrow Windows faces.
const QStringList kSansFamilies = {"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans Condensed",
                                   "DejaVu Sans"};

}  // namespace

QFont WindowFont() {
  return MakeFont(kSansFamilies, 11, false);
}

QFont LightFont() {
  return MakeFont(kSansFamilies, 11, true);
}

QFont StatusBarFont() {
  return MakeFont({"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans"}, 11, true);
}

QFont MonitorFont() {
  // Fixedsys is a bitmap face that exists in one size only (8 x 15 px
  // cells), whatever height is asked for; the stand-in gets that size.
  return MakeFont({"Fixedsys", "DejaVu Sans Mono"}, 12, false, QFont::TypeWriter);
}

QFont SymbolFont() {
  return MakeFont({"Wingdings 3"}, 16, true);
}

bool HasSymbolFont() {
  return QFontDatabase::hasFamily("Wingdings 3");
}

}  // namespace app
