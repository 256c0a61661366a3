#include "isp/verified/ram_check.h"

#include "isp/verified/part_connection.h"

namespace isp {

std::optional<Failure> CheckRamBuffer(BootClient& client, std::uint32_t ram_buffer,
                                      const std::vector<std::uint8_t>& sent, std::uint32_t count,
                                      std::uint32_t flash_to) {
  // R takes whole words; the windows and chunks are multiples of 4.
  const std::uint32_t words = (count + 3) & ~3u;
  std::vector<std::uint8_t> ram;
  const CommandResult result = client.ReadMemory(ram_buffer, words, ram);
  if (!result.Ok()) return CommandFailure(Phase::kWrite, result, flash_to);
  for (std::uint32_t i = 0; i < count && i < sent.size(); ++i) {
    if (ram[i] == sent[i]) continue;
    Failure failure = CommandFailure(Phase::kWrite, result, ram_buffer + i);
    failure.reason = FailureReason::kRamMismatch;
    failure.copy_to = flash_to;
    return failure;
  }
  return std::nullopt;
}

}  // namespace isp
