#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

// The --json output: one JSON object per line and event, each with an
// "event" member (phase, progress, warning, error, file, result), flushed
// at once so that a script sees it as it happens.
class JsonLines {
 public:
  explicit JsonLines(std::FILE* out) : out_(out) {}

  // A step of the run has ended well (ok) or not; text says what it found.
  void Phase(const std::string& phase, bool ok, const std::string& text);
  void Progress(std::uint32_t done, std::uint32_t total);
  // The verify phase's end: a phase event that also says how ("ram": M
  // against the RAM buffer, "read": R against the file) and counts what it
  // compared, of that in the RAM buffer before the copy, and not at all.
  void Verified(const char* mode, std::uint32_t bytes, std::uint32_t in_ram,
                std::uint32_t not_compared, const std::string& text);
  void Warning(const std::string& text);
  void Error(const std::string& text);
  void File(const std::string& name, const std::string& path);
  // bytes written in seconds; rate in bytes per second (0 when not known).
  void Result(bool ok, std::uint32_t bytes, double seconds);
  // The result of a module command: what was sent and whether it was echoed.
  void ModuleResult(bool ok, const std::string& sent, bool echoed);

 private:
  void Emit(const std::string& line);

  std::FILE* out_;
};

}  // namespace cli
