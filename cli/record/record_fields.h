#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/run_record.h"

namespace cli {

// The part's serial number as info shows it: four words in hex, "0x... 0x...".
std::string SerialText(const std::array<std::uint32_t, 4>& words);
// The boot code version as "major.minor".
std::string BootCodeText(unsigned major, unsigned minor);

// A serial number reduced to its hex digits in capitals, so that
// "0x0001e240 0x..." and "0001E240..." name the same part.
std::string SerialKey(const std::string& text);

// One record as a JSON object, its members named as the record's fields.
nlohmann::json RecordJson(const RunRecord& record);
// The record a JSON object holds; nothing when it is no record (a member
// missing or of another type).
std::optional<RunRecord> RecordFromJson(const nlohmann::json& object);
// The record as one line of JSON, without its line break. Names that are
// no valid UTF-8 keep their other characters: bad bytes become U+FFFD.
std::string RecordLine(const RunRecord& record);

}  // namespace cli
