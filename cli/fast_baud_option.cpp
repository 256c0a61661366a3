#include "cli/fast_baud_option.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <optional>
#include <string>

namespace cli {
namespace {

std::string AllowedRates() {
  std::string text = "off";
  for (const unsigned baud : isp::kIspBaudRates) text += ", " + std::to_string(baud);
  return text;
}

// The rate named by text; nothing for "off"; 0 for text that is no rate the
// boot loader takes.
std::optional<unsigned> RateOf(const std::string& text) {
  if (text == "off") return std::nullopt;
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !isp::IsIspBaudRate(value)) return 0u;
  return value;
}

}  // namespace

CLI::Option* AddFastBaudOption(CLI::App& command, FastBaud& fast) {
  fast = FastBaud{kDefaultFastBaud, false};
  const std::string help =
      "After synchronising, switch the line to this rate for the transfers (B), or off; back to "
      "-b/--baud with a warning if the part does not take it (default " +
      std::to_string(kDefaultFastBaud) + " where the part's row allows it)";
  return command
      .add_option_function<std::string>(
          "--fast-baud",
          [&fast](const std::string& text) {
            fast = FastBaud{RateOf(text).value_or(0), true};
          },
          help)
      ->type_name("N|off")
      ->check(CLI::Validator(
          [](std::string& text) {
            const std::optional<unsigned> rate = RateOf(text);
            if (rate && *rate == 0) {
              return text + " is no rate the boot loader takes (allowed: " + AllowedRates() + ")";
            }
            return std::string();
          },
          "", "RATE"));
}

isp::LineRateRequest LineRateRequestFor(const FastBaud& fast, unsigned crystal_khz) {
  return {fast.baud, fast.asked, crystal_khz};
}

}  // namespace cli
