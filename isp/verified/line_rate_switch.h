#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "isp/part_table.h"
#include "isp/verified/programmer_events.h"
#include "isp/wire/boot_client.h"

namespace isp {

// The rates the boot loader's B command takes, as the user manuals list
// them (UM10398 for the LPC111x/LPC11Cxx, UM10360 for the LPC17xx: the ISP
// command "Set Baud Rate <Baud Rate> <stop bit>").
inline constexpr std::array<unsigned, 6> kIspBaudRates = {9600,  19200,  38400,
                                                          57600, 115200, 230400};

bool IsIspBaudRate(unsigned baud);

// What a run asks of the line after it has synchronised.
struct LineRateRequest {
  unsigned baud = 0;  // the faster rate; 0: stay at the rate synchronised at
  // Asked for by the user: a part whose row does not take it is warned
  // about. The default is used quietly where the row takes it.
  bool asked = false;
  unsigned crystal_khz = 12000;  // for synchronising again after a fall back
};

// Raises the line rate of a synchronised, identified part: B at the old rate,
// the host's port to the new one, and J answered at it with the part's id.
// Whatever goes wrong short of losing the part, the run goes back to the old
// rate (synchronising again where the part lost the thread) and carries on,
// with a warning. A failure only when the part no longer answers at all.
std::optional<Failure> RaiseLineRate(BootClient& client, ProgrammerEvents& events,
                                     const PartInfo& part, const LineRateRequest& request);

// Puts a part that stays in its boot loader back at baud, the rate it was
// synchronised at, so that the next run finds it where a part fresh from
// reset would be. Nothing when the line already runs at baud; after a
// failure only where the part still answers (a stop counts: it ends a run
// before its next command, and this one command still goes out).
void RestoreLineRate(BootClient& client, unsigned baud, const std::optional<Failure>& failure);

}  // namespace isp
