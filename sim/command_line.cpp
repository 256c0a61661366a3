#include "command_line.hpp"

#include <algorithm>
#include <charconv>

namespace isp_sim {

std::optional<CommandLine> split_command(std::string_view line) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t start = line.find_first_not_of(' ', pos);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find(' ', start), line.size());
    words.emplace_back(line.substr(start, end - start));
    pos = end;
  }
  if (words.empty() || words.front().size() != 1) return std::nullopt;
  CommandLine command;
  command.letter = words.front().front();
  command.args.assign(words.begin() + 1, words.end());
  return command;
}

std::optional<std::uint32_t> parse_decimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace isp_sim
