#pragma once

#include <QColor>
#include <cstdint>

namespace app {

// The program's colours are 24-bit blue-green-red values (0x0000FF is red).
inline QColor FromBgr(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                static_cast<int>((bgr >> 16) & 0xFFu));
}

}  // namespace app
