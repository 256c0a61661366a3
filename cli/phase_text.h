#pragma once

#include <string>
#include <vector>

#include "isp/verified/programmer_events.h"

namespace cli {

// The words both run reports use for a run's steps and findings.
const char* PhaseLabel(isp::Phase phase);                           // "Synchronise"
std::string PartText(const isp::PartInfo& part);                    // "LPC1768, 512 KiB flash"
std::string ErasedText(const std::vector<isp::SectorSpan>& spans);  // "sectors 0-1, 16 ok"
std::string WarningText(const isp::Warning& warning);  // empty for one that is not shown
// "--fast-baud 230400 not used: the part refused it (INVALID_BAUD_RATE); ..."
std::string LineRateKeptText(const isp::Warning& warning);
// "ok: the flash holds what the part received (M), 6368 bytes compared (...)"
std::string VerifiedText(const isp::Verification& verification);
const char* VerifyModeName(isp::VerifyMode mode);  // "ram", "read"

}  // namespace cli
