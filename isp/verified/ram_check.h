#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/verified/programmer_events.h"
#include "isp/wire/boot_client.h"

namespace isp {

// Reads back the first `count` bytes of the RAM buffer (R on RAM, which the
// boot ROM never covers) and compares them with what was sent. A difference
// fails the run in the write phase, before the copy to flash_to is made:
// the block checksums of W hold for errors that offset each other.
std::optional<Failure> CheckRamBuffer(BootClient& client, std::uint32_t ram_buffer,
                                      const std::vector<std::uint8_t>& sent, std::uint32_t count,
                                      std::uint32_t flash_to);

}  // namespace isp
