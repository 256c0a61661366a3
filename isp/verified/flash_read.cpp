#include "isp/verified/flash_read.h"

#include <algorithm>

#include "isp/verified/part_connection.h"

namespace isp {
namespace {

bool InFlash(const PartInfo& part, const FlashRange& range) {
  return range.length > 0 && range.address <= part.flash_size &&
         range.length <= part.flash_size - range.address;
}

}  // namespace

std::optional<Failure> ReadFlash(BootClient& client, ProgrammerEvents& events, const PartInfo& part,
                                 const std::vector<FlashRange>& ranges,
                                 std::vector<std::uint8_t>& bytes, Phase phase) {
  bytes.clear();
  std::uint32_t total = 0;
  for (const FlashRange& range : ranges) {
    if (!InFlash(part, range)) {
      Failure failure;
      failure.phase = phase;
      failure.reason = FailureReason::kRangeOutsideFlash;
      failure.part = &part;
      failure.part_id = part.id;
      failure.address = range.address;
      failure.length = range.length;
      return failure;
    }
    total += range.length;
  }
  events.PhaseBegun(phase);
  events.BytesRead(0, total);
  for (const FlashRange& range : ranges) {
    // R takes whole words; the flash size is a multiple of 4.
    const std::uint32_t end = range.address + range.length;
    std::uint32_t at = range.address & ~3u;
    while (at < end) {
      const std::uint32_t stop = std::min((end + 3) & ~3u, at + kReadChunk);
      std::vector<std::uint8_t> words;
      const CommandResult result = client.ReadMemory(at, stop - at, words);
      if (!result.Ok()) return CommandFailure(phase, result, at);
      const std::uint32_t from = std::max(at, range.address);
      const std::uint32_t to = std::min(stop, end);
      bytes.insert(bytes.end(), words.begin() + (from - at), words.begin() + (to - at));
      events.BytesRead(static_cast<std::uint32_t>(bytes.size()), total);
      at = stop;
    }
  }
  return std::nullopt;
}

}  // namespace isp
