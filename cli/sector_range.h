#pragma once

#include <optional>
#include <string>

#include "isp/verified/write_plan.h"

namespace cli {

// "A-B" or a single sector "A", in decimal; nothing for anything else
// (including a range that runs backwards).
std::optional<isp::SectorSpan> ParseSectorRange(const std::string& text);

}  // namespace cli
