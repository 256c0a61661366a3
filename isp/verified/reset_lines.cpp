#include "isp/verified/reset_lines.h"

#include <utility>

namespace isp {

const std::vector<NamedWiring>& KnownWirings() {
  using comm::ModemLine;
  static const std::vector<NamedWiring> kWirings = {
      {"dtr-reset-rts-isp", {ModemLine::kDtr, ModemLine::kRts, true}},
      {"rts-reset-dtr-isp", {ModemLine::kRts, ModemLine::kDtr, true}},
      {"dtr-reset-rts-isp-inverted", {ModemLine::kDtr, ModemLine::kRts, false}},
      {"rts-reset-dtr-isp-inverted", {ModemLine::kRts, ModemLine::kDtr, false}},
  };
  return kWirings;
}

std::optional<LineWiring> FindWiring(std::string_view name) {
  for (const NamedWiring& known : KnownWirings()) {
    if (name == known.name) return known.wiring;
  }
  return std::nullopt;
}

ResetLines::ResetLines(LineWiring wiring, SetLine set_line, Sleep sleep)
    : wiring_(wiring), set_line_(std::move(set_line)), sleep_(std::move(sleep)) {}

void ResetLines::Drive(comm::ModemLine line, bool active) {
  if (!set_line_(line, active == wiring_.active_when_asserted)) refused_ = true;
}

void ResetLines::PulseReset() {
  Drive(wiring_.reset, true);
  sleep_(kResetPulseMs);
  Drive(wiring_.reset, false);
  sleep_(kStartUpMs);
}

void ResetLines::EnterBootLoader() {
  Drive(wiring_.isp, true);
  PulseReset();
}

void ResetLines::ReleaseIsp() {
  Drive(wiring_.isp, false);
}

void ResetLines::StartFirmware() {
  Drive(wiring_.isp, false);
  PulseReset();
}

}  // namespace isp
