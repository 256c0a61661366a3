#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/verified/programmer_events.h"
#include "isp/wire/boot_client.h"

namespace isp {

// A stretch of flash: length bytes from address.
struct FlashRange {
  std::uint32_t address;
  std::uint32_t length;
};

// The most one R asks for: progress is told after each.
inline constexpr std::uint32_t kReadChunk = 4096;

// Reads the ranges of the part's flash, one after the other, into bytes
// (their contents in order). Each block's checksum is checked and a block
// that does not add up is asked for again. Any address and length will do:
// the words around them are read and the surplus dropped. Refused before
// anything is read when a range leaves the flash. Tells the phase, then the
// bytes read so far.
std::optional<Failure> ReadFlash(BootClient& client, ProgrammerEvents& events, const PartInfo& part,
                                 const std::vector<FlashRange>& ranges,
                                 std::vector<std::uint8_t>& bytes, Phase phase = Phase::kRead);

}  // namespace isp
