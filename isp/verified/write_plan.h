#pragma once

#include <cstdint>
#include <vector>

#include "isp/image/flash_image.h"
#include "isp/part_table.h"

namespace isp {

// Consecutive sectors prepared, erased and blank-checked together.
struct SectorSpan {
  unsigned first;
  unsigned last;
};

// One copy from the RAM buffer to flash: a size C takes, at an address
// aligned to it, within one sector.
struct Chunk {
  std::uint32_t flash;
  std::uint32_t size;
  unsigned sector;
};

// What a run does to the flash, in order: erase and blank-check the spans,
// then write the chunks through the RAM buffer.
struct WritePlan {
  std::vector<SectorSpan> erase;
  std::vector<Chunk> chunks;  // the chunk at address 0 (the vector table) last
  std::uint32_t ram_buffer = 0;
  std::uint32_t bytes = 0;  // the chunks' sizes summed
};

// The plan for an image that lies within the part's flash. Only the
// sectors that records touch are erased (every sector with erase_all);
// chunks are as large as the RAM buffer and the part's copy allow, smaller
// where that saves line time, and chunks that would write only erased bytes
// are left out. Chunks never overlap, so no flash line is programmed twice.
WritePlan MakeWritePlan(const FlashImage& image, const PartInfo& part, bool erase_all);

// The largest copy size that the part takes and its RAM buffer holds.
std::uint32_t LargestChunk(const PartInfo& part);

}  // namespace isp
