#include "tests/support/flash_image.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testing_support {

ByteMap Pattern(std::uint32_t from, std::uint32_t to) {
  ByteMap bytes;
  for (std::uint32_t i = from; i < to; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 31 + i / 256) & 0xFF);
  return bytes;
}

ByteMap Pattern(std::uint32_t size) {
  return Pattern(0, size);
}

std::vector<std::uint8_t> LoadedImage(const ByteMap& bytes) {
  std::vector<std::uint8_t> image(0x10000, 0);
  for (const auto& [address, value] : bytes) image[address] = value;
  std::uint32_t sum = 0;
  for (std::size_t word = 0; word < 8; ++word) {
    if (word == 6) continue;
    for (std::size_t i = 0; i < 4; ++i)
      sum += static_cast<std::uint32_t>(image[word * 4 + i]) << (8 * i);
  }
  const std::uint32_t checksum = 0u - sum;
  for (std::size_t i = 0; i < 4; ++i)
    image[24 + i] = static_cast<std::uint8_t>(checksum >> (8 * i));
  return image;
}

std::vector<std::uint8_t> FlashAfterRun(const ByteMap& bytes) {
  const std::vector<std::uint8_t> image = LoadedImage(bytes);
  const std::uint32_t highest = bytes.empty() ? 0 : bytes.rbegin()->first;
  const auto programmed = static_cast<std::ptrdiff_t>((highest / 512 + 1) * 512);
  std::vector<std::uint8_t> flash(0x10000, 0xFF);
  std::copy(image.begin(), image.begin() + programmed, flash.begin());
  return flash;
}

std::vector<std::uint8_t> ImageRangeOfDump(const std::string& dump) {
  constexpr std::size_t kImageRange = 0x10000;
  const std::size_t end = std::min(dump.size(), kImageRange);
  const auto beyond =
      std::find_if(dump.begin() + static_cast<std::ptrdiff_t>(end), dump.end(),
                   [](char byte) { return static_cast<std::uint8_t>(byte) != 0xFF; });
  if (beyond != dump.end())
    ADD_FAILURE() << "flash dump not erased at offset " << (beyond - dump.begin());
  return std::vector<std::uint8_t>(dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(end));
}

std::vector<std::uint8_t> WithChecksumWord(std::vector<std::uint8_t> flash) {
  std::uint32_t sum = 0;
  for (std::size_t word = 0; word < 7; ++word)
    for (std::size_t i = 0; i < 4; ++i)
      sum += static_cast<std::uint32_t>(flash[word * 4 + i]) << (8 * i);
  for (std::size_t i = 0; i < 4; ++i)
    flash[28 + i] = static_cast<std::uint8_t>((0u - sum) >> (8 * i));
  return flash;
}

}  // namespace testing_support
