#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "isp/part_table.h"

namespace cli {

// The --json output: one JSON object per line and event, each with an
// "event" member (phase, progress, warning, error, file, result), flushed
// at once so that a script sees it as it happens.
class JsonLines {
 public:
  explicit JsonLines(std::FILE* out) : out_(out) {}
  // Every object also carries "port": one of several run at once.
  JsonLines(std::FILE* out, std::string port) : out_(out), port_(std::move(port)) {}

  // A step of the run has ended well (ok) or not; text says what it found.
  void Phase(const std::string& phase, bool ok, const std::string& text);
  // The Identify phase, with the part's name, id and memory sizes as members.
  void Identified(const std::string& text, const isp::PartInfo& part);
  // A line of a command's result: its label and text.
  void Detail(const std::string& label, const std::string& text);
  // With baud, the line rate in use (a member only when known).
  void Progress(std::uint32_t done, std::uint32_t total, unsigned baud = 0);
  // The line has been switched to baud for the rest of the run.
  void LineRate(unsigned baud);
  // The verify phase's end: a phase event that also says how ("ram": M
  // against the RAM buffer, "read": R against the file) and counts what it
  // compared, of that in the RAM buffer before the copy, and not at all.
  void Verified(const char* mode, std::uint32_t bytes, std::uint32_t in_ram,
                std::uint32_t not_compared, const std::string& text);
  void Warning(const std::string& text);
  void Error(const std::string& text);
  void File(const std::string& name, const std::string& path);
  // The whole run took seconds; its write put bytes in write_seconds, at
  // rate bytes per second (0 when nothing was written).
  void Result(bool ok, std::uint32_t bytes, double seconds, double write_seconds);
  // The result of a module command: what was sent and whether it was echoed.
  void ModuleResult(bool ok, const std::string& sent, bool echoed);

 private:
  void Emit(const std::string& line);

  std::FILE* out_;
  std::string port_;
};

}  // namespace cli
