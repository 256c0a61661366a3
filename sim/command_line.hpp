#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace isp_sim {

// A command line split into its letter and its space-separated arguments.
struct CommandLine {
  char letter = '\0';
  std::vector<std::string> args;
};

// Fails when the first word is not a single character.
std::optional<CommandLine> split_command(std::string_view line);

// Plain decimal, digits only, fitting 32 bits.
std::optional<std::uint32_t> parse_decimal(std::string_view text);

}  // namespace isp_sim
