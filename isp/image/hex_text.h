#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace isp {

// The bytes as Intel HEX text, the first at address: data records of up to
// 16 bytes that never cross a 64 KiB boundary, an extended linear address
// record wherever the upper 16 address bits change (and first, when they
// are not 0), and the end-of-file record. Lines end with CR LF.
std::string IntelHexText(std::uint32_t address, const std::vector<std::uint8_t>& bytes);

}  // namespace isp
