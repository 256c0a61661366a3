#include "cli/phase_text.h"

#include "cli/failure_text.h"

namespace cli {
namespace {

std::string Kib(std::uint32_t bytes) {
  return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB"
                           : std::to_string(bytes) + " bytes";
}

std::string SpanText(const std::vector<isp::SectorSpan>& spans) {
  std::string text;
  for (const isp::SectorSpan& span : spans) {
    if (!text.empty()) text += ", ";
    text += std::to_string(span.first);
    if (span.last != span.first) text += "-" + std::to_string(span.last);
  }
  return text;
}

}  // namespace

const char* PhaseLabel(isp::Phase phase) {
  switch (phase) {
    case isp::Phase::kStartBootLoader:
      return "Start ISP";
    case isp::Phase::kSynchronise:
      return "Synchronise";
    case isp::Phase::kIdentify:
      return "Identify";
    case isp::Phase::kErase:
      return "Erase";
    case isp::Phase::kWrite:
      return "Write";
    case isp::Phase::kVerify:
      return "Verify";
    case isp::Phase::kRestart:
      return "Restart";
    case isp::Phase::kRead:
      return "Read";
  }
  return "";
}

std::string PartText(const isp::PartInfo& part) {
  return std::string(part.name) + ", " + Kib(part.flash_size) + " flash";
}

std::string ErasedText(const std::vector<isp::SectorSpan>& spans) {
  if (spans.empty()) return "nothing to erase";
  const bool one = spans.size() == 1 && spans.front().first == spans.front().last;
  return std::string(one ? "sector " : "sectors ") + SpanText(spans) + " ok";
}

std::string LineRateKeptText(const isp::Warning& warning) {
  std::string why;
  switch (warning.line_rate) {
    case isp::LineRateRefusal::kPartTable:
      why = "the part's row in the part table does not list it";
      break;
    case isp::LineRateRefusal::kHost:
      why = "the serial port refused the rate";
      break;
    case isp::LineRateRefusal::kPart:
      why = std::string("the part refused it (") + std::string(isp::ReturnCodeName(warning.code)) +
            ")";
      break;
    case isp::LineRateRefusal::kNoAnswer:
    case isp::LineRateRefusal::kNone:
      why = "the part did not answer at that rate";
      break;
  }
  return "--fast-baud " + std::to_string(warning.count) + " not used: " + why +
         "; the run goes on at " + std::to_string(warning.kept_baud) + " baud";
}

std::string WarningText(const isp::Warning& warning) {
  switch (warning.kind) {
    case isp::WarningKind::kProtection:
      return std::string("the image sets code read protection ") +
             isp::ProtectionName(warning.level) + " (word at 0x2FC): after the restart " +
             (isp::LocksThePart(warning.level)
                  ? "the part no longer enters its boot loader from the ISP pin"
                  : "the part refuses reading its flash");
    case isp::WarningKind::kNoVectorTable:
      return "the image holds no vector table at address 0: sector 0 is left as it is";
    case isp::WarningKind::kSectorZeroErased:
      return "the image holds no vector table at address 0, yet sector 0 is erased: the part is "
             "left without valid user code";
    case isp::WarningKind::kResends:
      return "the part asked for " + std::to_string(warning.count) +
             " data block(s) again: the line is noisy";
    case isp::WarningKind::kProtectedPart:
      return "the part is under code read protection (CRP1 or higher: it refuses to read its "
             "flash); it takes an erase of every sector, but no new code before it is reset: "
             "the run ends after the erase";
    case isp::WarningKind::kLineRateKept:
      return LineRateKeptText(warning);
    case isp::WarningKind::kNoFirmwareAnswer:
      break;  // a part already in its boot loader does not answer the request
  }
  return "";
}

const char* VerifyModeName(isp::VerifyMode mode) {
  return mode == isp::VerifyMode::kRam ? "ram" : "read";
}

std::string VerifiedText(const isp::Verification& verification) {
  std::string text = verification.mode == isp::VerifyMode::kRam
                         ? "ok: the flash holds what the part received (M), "
                         : "ok: the flash equals the file (read back), ";
  text += std::to_string(verification.bytes) + " bytes compared";
  if (verification.in_ram > 0) {
    text += " (the lowest " + std::to_string(verification.in_ram) +
            " in RAM before their copy: the boot ROM hides them in flash)";
  }
  if (verification.not_compared > 0) {
    text += "; " + std::to_string(verification.not_compared) + " bytes of the file below " +
            HexAddress(verification.window) +
            " not compared: the boot ROM hides them from R on this part";
  }
  return text;
}

}  // namespace cli
