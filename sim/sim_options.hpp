#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "part_settings.hpp"

namespace isp_sim {

struct SimOptions {
  std::string link_path;        // --link
  std::string flash_in;         // --flash-in
  std::string flash_out;        // --flash-out
  std::string report_path;      // --report
  std::uint32_t baud_rate = 0;  // --baud-rate; 0 sends at once
  unsigned xon_xoff_every = 0;  // --xon-xoff; 0 sends no flow control
  bool once = false;            // --once
  PartSettings part;            // --part, --part-id, --echo, --isp-pin and the fault flags
};

struct ParsedOptions {
  std::optional<SimOptions> options;  // empty: exit at once with exit_code
  int exit_code = 0;
};

inline constexpr int kUsageExitCode = 2;

// Prints help or the error itself when it does not return options.
ParsedOptions parse_options(int argc, const char* const* argv);

// The part table as --help lists it.
std::string part_table_text();

}  // namespace isp_sim
