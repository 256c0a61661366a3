#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// Writes Intel HEX text for test images: data records of up to
// bytes_per_record bytes for every run of given bytes (an extended linear
// address record before those beyond 64 KiB), then the end record.
std::string HexFromBytes(const std::map<std::uint32_t, std::uint8_t>& bytes,
                         int bytes_per_record = 16);
std::string HexFromImage(const std::vector<std::uint8_t>& image, int bytes_per_record = 16);
// One record with a correct checksum, e.g. HexRecord(0, 0x0010, {0xAA}).
std::string HexRecord(std::uint8_t type, std::uint16_t offset,
                      const std::vector<std::uint8_t>& data);
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadFile(const std::string& path);

}  // namespace testing_support
