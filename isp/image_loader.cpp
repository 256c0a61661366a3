// PROVISIONAL: the record reading here goes once the shared HEX record
// reader is in; only the placement stays.
#include "isp/image_loader.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "isp/firmware_image.h"

namespace isp {

bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "Unable to open file.";
    return false;
  }
  std::string line;
  std::uint32_t base = 0;
  bool any = false;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != ':') continue;
    const std::uint8_t count = HexToByte(line.data() + 1);
    const std::uint16_t offset = HexToWord(line.data() + 3);
    const std::uint8_t type = HexToByte(line.data() + 7);
    if (type == 0) {
      std::vector<std::uint8_t> data(count);
      for (std::size_t i = 0; i < count; ++i) data[i] = HexToByte(line.data() + 9 + 2 * i);
      const std::uint32_t address = base + offset;
      if (address + count > limit) {
        error = "Invalid HEX file: line " + std::to_string(number) + ": data beyond flash";
        return false;
      }
      image.Place(address, data.data(), data.size(), number);
      any = true;
    } else if (type == 4) {
      base = static_cast<std::uint32_t>(HexToWord(line.data() + 9)) << 16;
    } else if (type == 2) {
      base = static_cast<std::uint32_t>(HexToWord(line.data() + 9)) << 4;
    }
  }
  if (!any) {
    error = "Invalid HEX file: no data records";
    return false;
  }
  return true;
}

}  // namespace isp
