#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace isp {

// What comes back before the reply to a line the host sent.
enum class EchoMode {
  kNone,      // echo is off: only the reply comes
  kRequired,  // echo is on: the line's text comes back first
  kOptional,  // not known (a part found already synchronised): either
  kSync,      // the answer to "?": "Synchronized", perhaps after junk
};

// Turns the bytes a boot loader sends into reply lines, whatever its echo
// dialect: the echo of the line sent (followed by CR, LF, CR LF or nothing)
// is taken off, surplus line ends give no lines, XON/XOFF and NUL bytes are
// dropped. No input or output of its own: the caller pushes what it read.
class ReplyReader {
 public:
  // Starts on the answer to `sent` (its text without the line end); bytes
  // still held from an earlier answer are stale and dropped.
  void Begin(std::string_view sent, EchoMode mode);
  void Push(const std::uint8_t* bytes, std::size_t count);
  void Push(std::string_view bytes) {
    Push(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  // The next complete reply line without its line end, or nothing until
  // more bytes have come.
  std::optional<std::string> NextLine();
  // Whether the last line handed out ended in a CR and nothing has come
  // since: the part ends its answers in CR LF, and its LF is still on the way.
  bool LineFeedOwed() const { return pending_ == "\r"; }
  // Whether the echo of the line sent has come (always true for kNone).
  bool EchoSeen() const { return echo_seen_; }
  // The bytes received since Begin (the last kKeptBytes of them), for
  // telling the user what came back.
  const std::string& Received() const { return received_; }

  static constexpr std::size_t kKeptBytes = 160;
  // Longer runs without a line end are handed out as a line of their own.
  static constexpr std::size_t kLongestLine = 1024;

 private:
  bool TakeEcho();
  std::string CleanSyncLine(std::string line) const;

  std::string echo_;
  EchoMode mode_ = EchoMode::kNone;
  bool echo_seen_ = true;
  std::string pending_;
  std::string received_;
};

// The bytes as a user can read them: printable ASCII as it is, CR and LF as
// \r and \n, every other byte as \xNN.
std::string ShowBytes(std::string_view bytes);

inline constexpr std::uint8_t kXon = 0x11;
inline constexpr std::uint8_t kXoff = 0x13;

}  // namespace isp
