#include "isp/image/hex_text.h"

#include <algorithm>
#include <cstdio>

namespace isp {
namespace {

constexpr std::uint32_t kRecordBytes = 16;

// One record: its bytes as hex digits, then the checksum that makes the
// record's bytes sum to zero.
std::string Record(std::uint8_t type, std::uint16_t offset, const std::uint8_t* data,
                   std::size_t count) {
  std::vector<std::uint8_t> fields = {static_cast<std::uint8_t>(count),
                                      static_cast<std::uint8_t>(offset >> 8),
                                      static_cast<std::uint8_t>(offset), type};
  fields.insert(fields.end(), data, data + count);
  std::uint8_t sum = 0;
  for (const std::uint8_t byte : fields) sum = static_cast<std::uint8_t>(sum + byte);
  fields.push_back(static_cast<std::uint8_t>(0x100 - sum));
  std::string line = ":";
  for (const std::uint8_t byte : fields) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    line += digits;
  }
  return line + "\r\n";
}

}  // namespace

std::string IntelHexText(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  std::string text;
  std::uint32_t upper = 0;
  for (std::size_t done = 0; done < bytes.size();) {
    const auto at = static_cast<std::uint32_t>(address + done);
    if (at >> 16 != upper) {
      upper = at >> 16;
      const std::uint8_t high[2] = {static_cast<std::uint8_t>(upper >> 8),
                                    static_cast<std::uint8_t>(upper)};
      text += Record(0x04, 0, high, 2);
    }
    const std::uint32_t to_boundary = 0x10000 - (at & 0xFFFF);
    const std::size_t count =
        std::min<std::size_t>({kRecordBytes, to_boundary, bytes.size() - done});
    text += Record(0x00, static_cast<std::uint16_t>(at & 0xFFFF), bytes.data() + done, count);
    done += count;
  }
  return text + Record(0x01, 0, nullptr, 0);
}

}  // namespace isp
