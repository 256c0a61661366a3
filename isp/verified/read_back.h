#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/part_table.h"
#include "isp/verified/programmer_events.h"
#include "isp/verified/write_plan.h"
#include "isp/wire/boot_client.h"

namespace isp {

// Reads the chunk's flash back with R just after its copy, but for what the
// boot ROM hides from R, and compares it with the bytes written. A
// difference fails the write at its address, so that a fault found before
// the vector table's copy leaves the part in its boot loader.
std::optional<Failure> ReadBackChunk(BootClient& client, const PartInfo& part, const Chunk& chunk,
                                     const std::vector<std::uint8_t>& written);

}  // namespace isp
