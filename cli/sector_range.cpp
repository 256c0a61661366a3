#include "cli/sector_range.h"

#include <charconv>

namespace cli {
namespace {

std::optional<unsigned> Number(std::string_view text) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<isp::SectorSpan> ParseSectorRange(const std::string& text) {
  const std::string_view whole = text;
  const std::size_t dash = whole.find('-');
  const auto first = Number(whole.substr(0, dash));
  const auto last = dash == std::string_view::npos ? first : Number(whole.substr(dash + 1));
  if (!first || !last || *last < *first) return std::nullopt;
  return isp::SectorSpan{*first, *last};
}

}  // namespace cli
