#include "cli/json_report.h"

#include "cli/phase_text.h"

namespace cli {

void JsonReport::PhaseBegun(isp::Phase phase) {
  if (phase == isp::Phase::kWrite) write_started_ = clock_();
}

void JsonReport::Synchronised(bool already_synchronised) {
  lines_.Phase("Synchronise", true,
               already_synchronised ? "the part was already synchronised" : "");
}

void JsonReport::Identified(const isp::PartInfo& part) {
  lines_.Identified(PartText(part), part);
}

void JsonReport::Erased(const std::vector<isp::SectorSpan>& spans) {
  lines_.Phase("Erase", true, ErasedText(spans));
}

void JsonReport::BytesWritten(std::uint32_t done, std::uint32_t total) {
  lines_.Progress(done, total, baud_);
}

void JsonReport::BytesRead(std::uint32_t done, std::uint32_t total) {
  lines_.Progress(done, total, baud_);
}

void JsonReport::Written(std::uint32_t bytes) {
  written_ = bytes;
  write_seconds_ = clock_() - write_started_;
  lines_.Phase("Write", true, std::to_string(bytes) + " bytes");
}

void JsonReport::Verified(const isp::Verification& verification) {
  lines_.Verified(VerifyModeName(verification.mode), verification.bytes, verification.in_ram,
                  verification.not_compared, VerifiedText(verification));
}

void JsonReport::Restarted() {
  lines_.Phase("Restart", true, "");
}

void JsonReport::Warned(const isp::Warning& warning) {
  const std::string text = WarningText(warning);
  if (!text.empty()) lines_.Warning(text);
}

void JsonReport::LineRateSet(unsigned baud) {
  baud_ = baud;
  lines_.LineRate(baud);
}

void JsonReport::Warning(const std::string& text) {
  lines_.Warning(text);
}

void JsonReport::Error(const std::string& text) {
  lines_.Error(text);
}

void JsonReport::FileKept(const std::string& name, const std::string& path) {
  lines_.File(name, path);
}

void JsonReport::Line(const char* label, const std::string& text) {
  lines_.Detail(label, text);
}

void JsonReport::NotStarted() {
  Finish(false);
}

void JsonReport::Finish(bool ok) {
  lines_.Result(ok, written_, clock_() - started_, write_seconds_);
}

}  // namespace cli
