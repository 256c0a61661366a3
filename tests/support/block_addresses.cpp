#include "tests/support/block_addresses.h"

#include <regex>

namespace testing_support {

std::vector<std::uint32_t> BlockAddresses(const ByteMap& bytes) {
  const std::uint32_t highest = bytes.empty() ? 0 : bytes.rbegin()->first;
  std::vector<std::uint32_t> addresses;
  for (std::uint32_t address = 0; address <= highest; address += 512) addresses.push_back(address);
  return addresses;
}

std::vector<std::uint32_t> CopyCommandAddresses(const std::string& traffic) {
  static const std::regex kCopy("C (\\d+) 268436224 512\r\r");
  std::vector<std::uint32_t> addresses;
  for (auto it = std::sregex_iterator(traffic.begin(), traffic.end(), kCopy);
       it != std::sregex_iterator(); ++it) {
    addresses.push_back(static_cast<std::uint32_t>(std::stoul((*it)[1].str())));
  }
  return addresses;
}

}  // namespace testing_support
