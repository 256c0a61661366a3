#include "app/tools/pattern_hex.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>

namespace app_tools {
namespace {

constexpr int kBytesPerRecord = 16;

QByteArray HexRecord(int address, const QByteArray& data, int type) {
  const int count = static_cast<int>(data.size());
  int sum = count + (address >> 8) + (address & 0xFF) + type;
  QByteArray line = ":" + QByteArray::number(count, 16).rightJustified(2, '0') +
                    QByteArray::number(address, 16).rightJustified(4, '0') +
                    QByteArray::number(type, 16).rightJustified(2, '0');
  for (char byte : data) sum += static_cast<unsigned char>(byte);
  line += data.toHex();
  line += QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0');
  return line.toUpper() + "\n";
}

}  // namespace

bool WritePatternHex(const QString& path, int size) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  for (int address = 0; address < size; address += kBytesPerRecord) {
    QByteArray data;
    for (int i = address; i < std::min(size, address + kBytesPerRecord); ++i) {
      data.append(static_cast<char>((i * 31 + i / 256) & 0xFF));
    }
    file.write(HexRecord(address, data, 0));
  }
  file.write(HexRecord(0, {}, 1));
  return true;
}

}  // namespace app_tools
