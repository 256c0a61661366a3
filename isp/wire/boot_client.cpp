#include "isp/wire/boot_client.h"

#include <charconv>

#include "isp/wire/uu_lines.h"

namespace isp {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kGroupBytes = kUuLineBytes * kUuLinesPerChecksum;

std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

bool Passed(std::uint32_t deadline, std::uint32_t now) {
  return static_cast<std::int32_t>(deadline - now) <= 0;
}

std::uint32_t ByteSum(const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

}  // namespace

std::string CommandResult::Name() const {
  switch (kind) {
    case ResultKind::kSuccess:
    case ResultKind::kReturnCode:
      return std::string(ReturnCodeName(code));
    case ResultKind::kTimeOut:
      return "time-out";
    case ResultKind::kLineLost:
      return "line lost";
    case ResultKind::kUnexpected:
      return "unexpected answer";
    case ResultKind::kResendLimit:
      return "checksum refused";
    case ResultKind::kStopped:
      return "stopped";
    case ResultKind::kSendFailed:
      return "write failed";
  }
  return "unknown";
}

BootClient::BootClient(IspLink& link, unsigned baud, std::function<bool()> stop_requested)
    : link_(link), baud_(baud == 0 ? 1 : baud), stop_requested_(std::move(stop_requested)) {}

// 10 bits a byte on an 8N1 line, rounded up.
std::uint32_t BootClient::LineMs(std::size_t bytes) const {
  return static_cast<std::uint32_t>((bytes * 10u * 1000u + baud_ - 1) / baud_);
}

std::uint32_t BootClient::Deadline(std::size_t sent_bytes, std::size_t answer_bytes,
                                   std::uint32_t work_ms) const {
  return link_.NowMs() + kAnswerMs + work_ms + LineMs(sent_bytes + answer_bytes);
}

bool BootClient::Send(CommandResult& result, std::string_view bytes) {
  if (link_.Send(bytes)) return true;
  result.kind = ResultKind::kSendFailed;
  return false;
}

bool BootClient::ReadLine(CommandResult& result, std::string& line, std::uint32_t deadline) {
  std::uint8_t buffer[512];
  for (;;) {
    if (auto next = reader_.NextLine()) {
      line = std::move(*next);
      result.received = reader_.Received();
      return true;
    }
    result.received = reader_.Received();
    const std::uint32_t now = link_.NowMs();
    if (link_.LineLost()) {
      result.kind = ResultKind::kLineLost;
      return false;
    }
    if (Passed(deadline, now)) {
      result.kind = ResultKind::kTimeOut;
      return false;
    }
    reader_.Push(buffer, link_.Receive(buffer, sizeof buffer, deadline - now));
  }
}

CommandResult BootClient::Command(const std::string& line, std::uint32_t work_ms,
                                  std::size_t answer_bytes) {
  CommandResult result;
  result.command = line;
  if (!despite_stop_ && stop_requested_ && stop_requested_()) {
    result.kind = ResultKind::kStopped;
    return result;
  }
  reader_.Begin(line, echo_);
  const std::string bytes = line + std::string(kLineEnd);
  if (!Send(result, bytes)) return result;
  const std::size_t echoed = echo_ == EchoMode::kNone ? 0 : bytes.size();
  std::string reply;
  if (!ReadLine(result, reply, Deadline(bytes.size() + echoed, answer_bytes, work_ms))) {
    return result;
  }
  const auto code = ParseReturnCode(reply);
  if (!code) {
    result.kind = ResultKind::kUnexpected;
  } else if (*code != ReturnCode::CMD_SUCCESS) {
    result.kind = ResultKind::kReturnCode;
    result.code = *code;
  }
  return result;
}

bool BootClient::ReadNumbers(CommandResult& result, std::uint32_t* numbers, std::size_t count) {
  const std::uint32_t deadline = Deadline(0, 12 * count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    std::string line;
    if (!ReadLine(result, line, deadline)) return false;
    const auto value = ParseDecimal(line);
    if (!value) {
      result.kind = ResultKind::kUnexpected;
      return false;
    }
    numbers[i] = *value;
  }
  return true;
}

bool BootClient::SwitchLineRate(unsigned baud) {
  AwaitLineFeed();
  if (baud == 0 || !link_.SetLineRate(baud)) return false;
  baud_ = baud;
  return true;
}

void BootClient::DropInput(std::uint32_t quiet_ms, std::uint32_t limit_ms) {
  reader_.Begin("", EchoMode::kNone);
  const std::uint32_t deadline = link_.NowMs() + limit_ms;
  std::uint8_t buffer[256];
  for (std::uint32_t now = link_.NowMs(); !Passed(deadline, now); now = link_.NowMs()) {
    const std::uint32_t left = deadline - now;
    if (link_.Receive(buffer, sizeof buffer, left < quiet_ms ? left : quiet_ms) == 0) return;
  }
}

void BootClient::EndGarbledLine(std::uint32_t quiet_ms, std::uint32_t limit_ms) {
  if (link_.Send(kLineEnd)) DropInput(quiet_ms, limit_ms);
}

void BootClient::AwaitLineFeed() {
  const std::uint32_t deadline = link_.NowMs() + kLineFeedWaitMs + LineMs(2);
  std::uint8_t buffer[64];
  for (std::uint32_t now = link_.NowMs(); reader_.LineFeedOwed() && !Passed(deadline, now);
       now = link_.NowMs()) {
    reader_.Push(buffer, link_.Receive(buffer, sizeof buffer, deadline - now));
    if (link_.LineLost()) return;
  }
}

bool BootClient::RequestBootLoader(std::uint32_t limit_ms) {
  reader_.Begin("", EchoMode::kNone);
  if (!link_.Send("!\r")) return false;
  const std::uint32_t deadline = link_.NowMs() + limit_ms;
  std::uint8_t buffer[64];
  for (std::uint32_t now = link_.NowMs(); !Passed(deadline, now); now = link_.NowMs()) {
    const std::size_t got = link_.Receive(buffer, sizeof buffer, deadline - now);
    for (std::size_t i = 0; i < got; ++i) {
      if (buffer[i] == '!') return true;
    }
    if (got == 0 && link_.LineLost()) return false;
  }
  return false;
}

CommandResult BootClient::Synchronize(unsigned crystal_khz, bool& already_synchronised) {
  already_synchronised = false;
  CommandResult result;
  result.command = "?";
  for (int attempt = 0; attempt < kSyncTries; ++attempt) {
    if (stop_requested_ && stop_requested_()) {
      result.kind = ResultKind::kStopped;
      return result;
    }
    reader_.Begin("?", EchoMode::kSync);
    if (!Send(result, "?")) return result;
    // A part that is already synchronised holds the "?" as the start of a
    // command line: the line end makes it answer.
    for (const bool line_end : {false, true}) {
      if (line_end && !Send(result, kLineEnd)) return result;
      const std::uint32_t wait = line_end ? kLineEndWaitMs : kSyncWaitMs;
      const std::uint32_t deadline = link_.NowMs() + wait + LineMs(20);
      std::string line;
      while (ReadLine(result, line, deadline)) {
        if (line == "Synchronized") return Handshake(crystal_khz);
        if (ParseReturnCode(line)) {
          already_synchronised = true;
          echo_ = EchoMode::kOptional;  // the echo was left as it was
          return SetEcho(false);
        }
      }
      if (result.kind == ResultKind::kLineLost) return result;
    }
  }
  result.kind = ResultKind::kTimeOut;
  return result;
}

CommandResult BootClient::Handshake(unsigned crystal_khz) {
  // Freshly synchronised, the part echoes; some do not echo the handshake.
  echo_ = EchoMode::kOptional;
  for (const std::string& line : {std::string("Synchronized"), std::to_string(crystal_khz)}) {
    CommandResult result;
    result.command = line;
    reader_.Begin(line, echo_);
    const std::string bytes = line + std::string(kLineEnd);
    if (!Send(result, bytes)) return result;
    std::string reply;
    if (!ReadLine(result, reply, Deadline(2 * bytes.size(), 4, 0))) return result;
    if (reply != "OK") {
      result.kind = ResultKind::kUnexpected;
      return result;
    }
  }
  echo_ = EchoMode::kRequired;
  return SetEcho(false);
}

CommandResult BootClient::SetEcho(bool on) {
  CommandResult result = Command(on ? "A 1" : "A 0");
  if (result.Ok()) echo_ = on ? EchoMode::kRequired : EchoMode::kNone;
  return result;
}

CommandResult BootClient::EnsureEchoOff() {
  if (echo_ == EchoMode::kNone) return CommandResult{};
  return SetEcho(false);
}

CommandResult BootClient::Unlock() {
  return Command("U " + std::to_string(kUnlockCode));
}

CommandResult BootClient::SetBaudRate(unsigned baud, unsigned stop) {
  // The part takes the new rate once its whole answer, CR LF, has gone out;
  // SwitchLineRate waits for that LF.
  return Command("B " + std::to_string(baud) + " " + std::to_string(stop));
}

CommandResult BootClient::SetBaudRateDespiteStop(unsigned baud, unsigned stop) {
  despite_stop_ = true;
  CommandResult result = SetBaudRate(baud, stop);
  despite_stop_ = false;
  return result;
}

CommandResult BootClient::ReadPartId(std::uint32_t& id) {
  CommandResult result = Command("J");
  if (result.Ok()) ReadNumbers(result, &id, 1);
  return result;
}

CommandResult BootClient::ReadBootCodeVersion(unsigned& major, unsigned& minor) {
  CommandResult result = Command("K");
  std::uint32_t numbers[2] = {};
  if (result.Ok() && ReadNumbers(result, numbers, 2)) {
    major = numbers[0];
    minor = numbers[1];
  }
  return result;
}

CommandResult BootClient::ReadSerialNumber(std::array<std::uint32_t, 4>& words) {
  CommandResult result = Command("N");
  if (result.Ok()) ReadNumbers(result, words.data(), words.size());
  return result;
}

CommandResult BootClient::Prepare(unsigned first, unsigned last) {
  return Command("P " + std::to_string(first) + " " + std::to_string(last));
}

CommandResult BootClient::Erase(unsigned first, unsigned last, std::uint32_t work_ms) {
  return Command("E " + std::to_string(first) + " " + std::to_string(last), work_ms);
}

CommandResult BootClient::BlankCheck(unsigned first, unsigned last, BlankCheckFault& fault) {
  fault = BlankCheckFault{};
  CommandResult result = Command("I " + std::to_string(first) + " " + std::to_string(last));
  if (result.kind == ResultKind::kReturnCode && result.code == ReturnCode::SECTOR_NOT_BLANK) {
    // The offset and the word follow; without them the code still stands.
    CommandResult more = result;
    std::uint32_t numbers[2] = {};
    if (ReadNumbers(more, numbers, 2)) fault = BlankCheckFault{true, numbers[0], numbers[1]};
    result.received = more.received;
  }
  return result;
}

CommandResult BootClient::WriteToRam(std::uint32_t address, const std::uint8_t* bytes,
                                     std::size_t count,
                                     const std::function<void(std::size_t)>& on_sent) {
  CommandResult result = EnsureEchoOff();
  if (!result.Ok()) return result;
  result = Command("W " + std::to_string(address) + " " + std::to_string(count));
  if (!result.Ok()) return result;
  for (std::size_t offset = 0; offset < count; offset += kGroupBytes) {
    const std::size_t group = std::min(kGroupBytes, count - offset);
    if (!WriteBlock(result, bytes + offset, group).Ok()) return result;
    if (on_sent) on_sent(offset + group);
  }
  return result;
}

// One group of data lines and its checksum, sent again while the part
// answers RESEND.
CommandResult BootClient::WriteBlock(CommandResult& result, const std::uint8_t* bytes,
                                     std::size_t count) {
  std::string text;
  for (std::size_t at = 0; at < count; at += kUuLineBytes) {
    text += UuEncodeLine(bytes + at, std::min(kUuLineBytes, count - at));
    text += kLineEnd;
  }
  const std::string checksum = std::to_string(ByteSum(bytes, count));
  text += checksum;
  text += kLineEnd;
  result.command = checksum;
  // No stop is honoured here: once W is accepted, the part takes every line
  // as data until the count is in, and a host that left it there would find
  // it deaf to the next command. A stop waits for the data phase's end.
  for (int attempt = 0;; ++attempt) {
    reader_.Begin(checksum, EchoMode::kNone);
    if (!Send(result, text)) return result;
    std::string reply;
    if (!ReadLine(result, reply, Deadline(text.size(), 8, 0))) return result;
    if (reply == "OK") return result;
    if (reply != "RESEND") {
      result.kind = ResultKind::kUnexpected;
      return result;
    }
    if (attempt == kResendTries) {
      result.kind = ResultKind::kResendLimit;
      return result;
    }
    ++resends_;
  }
}

CommandResult BootClient::ReadMemory(std::uint32_t address, std::size_t count,
                                     std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  CommandResult result = EnsureEchoOff();
  if (!result.Ok()) return result;
  result = Command("R " + std::to_string(address) + " " + std::to_string(count));
  if (!result.Ok()) return result;
  while (bytes.size() < count) {
    if (!ReadBlock(result, std::min(kGroupBytes, count - bytes.size()), bytes).Ok()) {
      return result;
    }
  }
  return result;
}

// One block of up to 20 data lines and its checksum; a block that does not
// decode or add up is asked for again.
CommandResult BootClient::ReadBlock(CommandResult& result, std::size_t count,
                                    std::vector<std::uint8_t>& bytes) {
  const std::size_t lines = (count + kUuLineBytes - 1) / kUuLineBytes;
  for (int attempt = 0;; ++attempt) {
    const std::uint32_t deadline = Deadline(0, count * 4 / 3 + 3 * lines + 12, 0);
    std::vector<std::uint8_t> block;
    bool whole = true;
    for (std::size_t i = 0; i <= lines; ++i) {
      std::string line;
      if (!ReadLine(result, line, deadline)) return result;
      if (i == lines) {
        whole =
            whole && block.size() == count && ParseDecimal(line) == ByteSum(block.data(), count);
      } else if (auto decoded = UuDecodeLine(line)) {
        block.insert(block.end(), decoded->begin(), decoded->end());
      } else {
        whole = false;
      }
    }
    const std::string answer = whole ? "OK" : "RESEND";
    if (!whole && attempt == kResendTries) {
      result.kind = ResultKind::kResendLimit;
      return result;
    }
    reader_.Begin(answer, EchoMode::kNone);
    if (!Send(result, answer + std::string(kLineEnd))) return result;
    if (whole) {
      bytes.insert(bytes.end(), block.begin(), block.end());
      return result;
    }
    ++resends_;
  }
}

CommandResult BootClient::Copy(std::uint32_t flash, std::uint32_t ram, std::size_t count,
                               std::uint32_t work_ms) {
  return Command(
      "C " + std::to_string(flash) + " " + std::to_string(ram) + " " + std::to_string(count),
      work_ms);
}

CommandResult BootClient::Compare(std::uint32_t address1, std::uint32_t address2, std::size_t count,
                                  std::optional<std::uint32_t>& first_difference) {
  first_difference.reset();
  CommandResult result = Command("M " + std::to_string(address1) + " " + std::to_string(address2) +
                                 " " + std::to_string(count));
  if (result.kind == ResultKind::kReturnCode && result.code == ReturnCode::COMPARE_ERROR) {
    CommandResult more = result;
    std::uint32_t offset = 0;
    if (ReadNumbers(more, &offset, 1)) first_difference = offset;
    result.received = more.received;
  }
  return result;
}

CommandResult BootClient::Go(std::uint32_t address, char mode) {
  return Command("G " + std::to_string(address) + " " + std::string(1, mode));
}

}  // namespace isp
