#include "isp/wire/reply_reader.h"

#include <cstdio>

namespace isp {
namespace {

constexpr std::string_view kSynchronized = "Synchronized";

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

bool IsPrintable(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && byte < 0x7F;
}

}  // namespace

void ReplyReader::Begin(std::string_view sent, EchoMode mode) {
  echo_ = sent;
  mode_ = mode;
  echo_seen_ = mode == EchoMode::kNone || mode == EchoMode::kSync || echo_.empty();
  pending_.clear();
  received_.clear();
}

void ReplyReader::Push(const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto c = static_cast<char>(bytes[i]);
    received_.push_back(c);
    // Flow-control bytes and NULs are never part of an answer.
    if (bytes[i] != kXon && bytes[i] != kXoff && bytes[i] != 0) pending_.push_back(c);
  }
  if (received_.size() > kKeptBytes) received_.erase(0, received_.size() - kKeptBytes);
}

// Takes the echo off the front of what is held; false while it may still
// come. Anything before the echo is line noise.
bool ReplyReader::TakeEcho() {
  const std::size_t at = pending_.find(echo_);
  if (at != std::string::npos) {
    pending_.erase(0, at + echo_.size());
    echo_seen_ = true;
    return true;
  }
  if (mode_ == EchoMode::kOptional) {
    // A whole line without the echo means the part does not echo. Line
    // ends before it (the LF of a CR LF that came apart) are no line.
    const std::size_t first = pending_.find_first_not_of("\r\n");
    if (first != std::string::npos && pending_.find_first_of("\r\n", first) != std::string::npos) {
      echo_seen_ = true;
      return true;
    }
    return false;
  }
  // Only the tail that may still begin the echo is worth keeping.
  if (pending_.size() >= echo_.size()) pending_.erase(0, pending_.size() - (echo_.size() - 1));
  return false;
}

std::string ReplyReader::CleanSyncLine(std::string line) const {
  const std::size_t at = line.find(kSynchronized);
  if (at != std::string::npos) return std::string(kSynchronized);
  // A part that is already synchronised may echo the "?" before its answer.
  std::size_t keep = 0;
  while (keep < line.size() && (line[keep] == '?' || !IsPrintable(line[keep]))) ++keep;
  return line.substr(keep);
}

std::optional<std::string> ReplyReader::NextLine() {
  if (!echo_seen_ && !TakeEcho()) return std::nullopt;
  for (;;) {
    std::size_t start = 0;
    while (start < pending_.size() && IsLineEnd(pending_[start])) ++start;
    pending_.erase(0, start);
    std::size_t end = 0;
    while (end < pending_.size() && !IsLineEnd(pending_[end])) ++end;
    if (end == pending_.size() && end < kLongestLine) return std::nullopt;
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end);
    if (mode_ == EchoMode::kSync) {
      line = CleanSyncLine(std::move(line));
      if (line.empty()) continue;
    }
    return line;
  }
}

std::string ShowBytes(std::string_view bytes) {
  std::string shown;
  for (char c : bytes) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\\') {
      shown += "\\\\";
    } else if (IsPrintable(c)) {
      shown.push_back(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      shown += hex;
    }
  }
  return shown;
}

}  // namespace isp
