#include "isp/verified/write_plan.h"

#include <algorithm>

namespace isp {
namespace {

// What one copy costs beyond its data (the W, P, C and M lines, their
// answers and round trips), counted in data bytes.
constexpr std::uint32_t kChunkOverhead = 200;

bool AllErased(const FlashImage& image, std::uint32_t address, std::uint32_t size) {
  for (std::uint32_t at = address; at < address + size && at < image.End(); ++at) {
    if (image.At(at) != kErased) return false;
  }
  return true;
}

std::uint32_t NextSmaller(std::uint32_t size) {
  std::uint32_t smaller = 0;
  for (std::uint32_t copy : kCopySizes) {
    if (copy < size) smaller = copy;
  }
  return smaller;
}

// The cheapest set of aligned copies that covers every byte of the window
// that is not erased: the window whole, or its halves or quarters covered
// each in turn.
std::uint32_t Cover(const FlashImage& image, std::uint32_t address, std::uint32_t size,
                    unsigned sector, std::vector<Chunk>& chunks) {
  if (AllErased(image, address, size)) return 0;
  const std::uint32_t smaller = NextSmaller(size);
  if (smaller != 0) {
    std::vector<Chunk> parts;
    std::uint32_t cost = 0;
    for (std::uint32_t at = address; at < address + size; at += smaller)
      cost += Cover(image, at, smaller, sector, parts);
    if (cost < size + kChunkOverhead) {
      chunks.insert(chunks.end(), parts.begin(), parts.end());
      return cost;
    }
  }
  chunks.push_back({address, size, sector});
  return size + kChunkOverhead;
}

}  // namespace

std::uint32_t LargestChunk(const PartInfo& part) {
  const std::uint32_t room = part.ram_buffer_end - part.ram_buffer_start;
  std::uint32_t largest = 0;
  for (std::uint32_t copy : kCopySizes) {
    if (copy <= room && copy <= part.largest_copy) largest = copy;
  }
  return largest;
}

WritePlan MakeWritePlan(const FlashImage& image, const PartInfo& part, bool erase_all) {
  WritePlan plan;
  plan.ram_buffer = part.ram_buffer_start;
  const std::uint32_t largest = LargestChunk(part);
  for (const Sector& sector : SectorsOf(part)) {
    const bool touched = image.Placed(sector.start, sector.size);
    if (touched || erase_all) {
      if (!plan.erase.empty() && plan.erase.back().last + 1 == sector.number) {
        plan.erase.back().last = sector.number;
      } else {
        plan.erase.push_back({sector.number, sector.number});
      }
    }
    if (!touched) continue;
    for (std::uint32_t at = sector.start; at < sector.start + sector.size; at += largest)
      Cover(image, at, std::min(largest, sector.start + sector.size - at), sector.number,
            plan.chunks);
  }
  // A run cut short before the vector table is written leaves a part that
  // stays in its boot loader, ready for the next try.
  std::stable_partition(plan.chunks.begin(), plan.chunks.end(),
                        [](const Chunk& chunk) { return chunk.flash != 0; });
  for (const Chunk& chunk : plan.chunks) plan.bytes += chunk.size;
  return plan;
}

}  // namespace isp
