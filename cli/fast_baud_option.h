#pragma once

#include "isp/verified/line_rate_switch.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace cli {

// The rate a run switches to once the part is identified, from --fast-baud.
struct FastBaud {
  unsigned baud = 0;   // 0: off, the whole run at -b/--baud
  bool asked = false;  // given on the command line (else the default)
};

// Where the part's row takes it: 230400 halves a 64 KiB write at 115200.
inline constexpr unsigned kDefaultFastBaud = 230400;

// --fast-baud N|off, and the default in fast until the command line says
// otherwise. A rate the boot loader's B command does not take is a usage
// error that names the ones it does.
CLI::Option* AddFastBaudOption(CLI::App& command, FastBaud& fast);

isp::LineRateRequest LineRateRequestFor(const FastBaud& fast, unsigned crystal_khz);

}  // namespace cli
