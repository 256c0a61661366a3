#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace cli {

// The moment in UTC as ISO 8601 to the second: "2026-12-10T23:45:01Z".
std::string UtcText(std::chrono::system_clock::time_point moment);

// A time given on the command line ("2026-12-10", "2026-12-10T08:30",
// "2026-12-10 08:30:15", with or without a final "Z"; always UTC) as the
// records write it, so that records from then on compare greater or equal
// as text. Nothing when it is no such time.
std::optional<std::string> RecordTimeOf(const std::string& text);

}  // namespace cli
