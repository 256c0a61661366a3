#pragma once

#include <optional>
#include <string>

#include "isp/verified/programmer_events.h"
#include "isp/wire/boot_client.h"

namespace isp {

// Time the part may take to erase, beyond the line time.
inline constexpr std::uint32_t kEraseMsPer4KiB = 200;

// Prepares, erases and blank-checks the sectors of the span in one go.
std::optional<Failure> EraseSpan(BootClient& client, const PartInfo& part, const SectorSpan& span);

// Erases the sectors of the span (every sector with all) and says so; the
// span is checked against the part's sectors first. Nothing when it worked.
std::optional<Failure> EraseSectors(BootClient& client, ProgrammerEvents& events,
                                    const PartInfo& part, std::optional<SectorSpan> span);

// Why the span does not fit the part ("sector 40 does not exist: the
// LPC1227 has sectors 0-31"), or nothing when it does.
std::optional<std::string> SpanOutsidePart(const PartInfo& part, const SectorSpan& span);

}  // namespace isp
