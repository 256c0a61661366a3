#include "isp/verified/read_back.h"

#include "isp/verified/part_connection.h"

namespace isp {

std::optional<Failure> ReadBackChunk(BootClient& client, const PartInfo& part, const Chunk& chunk,
                                     const std::vector<std::uint8_t>& written) {
  const std::uint32_t hidden = HiddenFromRead(part, chunk.flash, chunk.size);
  if (hidden >= chunk.size) return std::nullopt;
  // Chunks are word aligned and no larger than one R takes.
  std::vector<std::uint8_t> flash;
  const CommandResult result = client.ReadMemory(chunk.flash + hidden, chunk.size - hidden, flash);
  if (!result.Ok()) return CommandFailure(Phase::kWrite, result, chunk.flash);
  for (std::uint32_t i = hidden; i < chunk.size; ++i) {
    if (flash[i - hidden] == written[i]) continue;
    Failure failure = CommandFailure(Phase::kWrite, result, chunk.flash + i);
    failure.reason = FailureReason::kVerifyMismatch;
    return failure;
  }
  return std::nullopt;
}

}  // namespace isp
