#include "tests/support/hex_writer.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace testing_support {

std::string HexRecord(std::uint8_t type, std::uint16_t offset,
                      const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> record = {static_cast<std::uint8_t>(data.size()),
                                      static_cast<std::uint8_t>(offset >> 8),
                                      static_cast<std::uint8_t>(offset & 0xFF), type};
  record.insert(record.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::string text = ":";
  char digits[3];
  for (std::uint8_t byte : record) {
    sum += byte;
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  std::snprintf(digits, sizeof digits, "%02X", (0x100u - (sum & 0xFFu)) & 0xFFu);
  return text + digits;
}

std::string HexFromBytes(const std::map<std::uint32_t, std::uint8_t>& bytes, int bytes_per_record) {
  std::string text;
  std::uint32_t upper = 0;  // the upper 16 address bits the records are in
  auto it = bytes.begin();
  while (it != bytes.end()) {
    const std::uint32_t start = it->first;
    if (start >> 16 != upper) {
      upper = start >> 16;
      text += HexRecord(4, 0,
                        {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)}) +
              "\n";
    }
    std::vector<std::uint8_t> data;
    // A record ends at a 64 KiB boundary: its offset is 16 bits.
    while (it != bytes.end() && it->first == start + data.size() &&
           data.size() < static_cast<std::size_t>(bytes_per_record) &&
           (data.empty() || it->first >> 16 == upper)) {
      data.push_back(it->second);
      ++it;
    }
    text += HexRecord(0, static_cast<std::uint16_t>(start), data) + "\n";
  }
  return text + ":00000001FF\n";
}

std::string HexFromImage(const std::vector<std::uint8_t>& image, int bytes_per_record) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  for (std::size_t i = 0; i < image.size(); ++i) bytes[static_cast<std::uint32_t>(i)] = image[i];
  return HexFromBytes(bytes, bytes_per_record);
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace testing_support
