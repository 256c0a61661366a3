#include "isp/verified/sector_erase.h"

#include <vector>

#include "isp/verified/part_connection.h"

namespace isp {

std::optional<Failure> EraseSpan(BootClient& client, const PartInfo& part, const SectorSpan& span) {
  const std::vector<Sector> sectors = SectorsOf(part);
  const std::uint32_t start = sectors[span.first].start;
  std::uint32_t work_ms = 0;
  for (unsigned s = span.first; s <= span.last; ++s)
    work_ms += sectors[s].size / 4096 * kEraseMsPer4KiB;
  CommandResult result = client.Prepare(span.first, span.last);
  if (!result.Ok()) return CommandFailure(Phase::kErase, result, start);
  result = client.Erase(span.first, span.last, work_ms);
  if (!result.Ok()) return CommandFailure(Phase::kErase, result, start);
  BlankCheckFault fault;
  result = client.BlankCheck(span.first, span.last, fault);
  if (result.Ok()) return std::nullopt;
  Failure failure = CommandFailure(Phase::kErase, result, start);
  if (result.kind == ResultKind::kReturnCode && result.code == ReturnCode::SECTOR_NOT_BLANK) {
    failure.reason = FailureReason::kNotBlank;
    if (fault.known) failure.address = start + fault.offset;
  }
  return failure;
}

std::optional<std::string> SpanOutsidePart(const PartInfo& part, const SectorSpan& span) {
  const auto count = static_cast<unsigned>(SectorsOf(part).size());
  if (span.first > span.last) {
    return "the sector range " + std::to_string(span.first) + "-" + std::to_string(span.last) +
           " runs backwards";
  }
  if (span.last < count) return std::nullopt;
  return "sector " + std::to_string(span.last) + " does not exist: the " + part.name +
         " has sectors 0-" + std::to_string(count - 1);
}

std::optional<Failure> EraseSectors(BootClient& client, ProgrammerEvents& events,
                                    const PartInfo& part, std::optional<SectorSpan> span) {
  const auto count = static_cast<unsigned>(SectorsOf(part).size());
  const SectorSpan chosen = span.value_or(SectorSpan{0, count - 1});
  if (SpanOutsidePart(part, chosen)) {
    Failure failure;
    failure.phase = Phase::kErase;
    failure.reason = FailureReason::kNoSuchSectors;
    failure.part = &part;
    failure.sectors = chosen;
    return failure;
  }
  events.PhaseBegun(Phase::kErase);
  if (auto failure = EraseSpan(client, part, chosen)) return failure;
  events.Erased({chosen});
  return std::nullopt;
}

}  // namespace isp
