#pragma once

#include <cstdint>
#include <optional>

#include "isp/verified/programmer_events.h"
#include "isp/verified/reset_lines.h"
#include "isp/wire/boot_client.h"

namespace isp {

// How a run reaches the part's boot loader.
struct ConnectSettings {
  unsigned crystal_khz = 12000;
  bool start_boot_loader = true;  // send the "!" request first
  // The adapter's lines reset the part into its boot loader (no "!" then).
  PartReset* reset = nullptr;
};

// Brings the part into its boot loader and synchronises with it, echo off.
std::optional<Failure> ConnectToPart(BootClient& client, ProgrammerEvents& events,
                                     const ConnectSettings& settings);

// Unlocks the part and finds its row of the part table by the id it answers.
std::optional<Failure> IdentifyPart(BootClient& client, ProgrammerEvents& events,
                                    const PartInfo*& part);

// Ends a run in the part's firmware: with the adapter's lines by a reset,
// else by the restart routine written to the RAM buffer and run there,
// which resets the controller (the boot loader has no command for it).
std::optional<Failure> StartFirmware(BootClient& client, ProgrammerEvents& events,
                                     std::uint32_t ram_buffer, PartReset* reset);

// A failure of the command, in the phase, at the address.
Failure CommandFailure(Phase phase, const CommandResult& result,
                       std::optional<std::uint32_t> address = std::nullopt);

}  // namespace isp
