#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "isp/wire/isp_link.h"
#include "isp/wire/reply_reader.h"
#include "isp/wire/return_code.h"

namespace isp {

// How a command ended.
enum class ResultKind {
  kSuccess,
  kReturnCode,   // the part answered a code other than CMD_SUCCESS
  kTimeOut,      // no whole answer within the command's limit
  kLineLost,     // the far end hung up
  kUnexpected,   // something came that is no answer to the command
  kResendLimit,  // data lines refused by their checksum on every try
  kStopped,      // a stop was requested before the command went out
  kSendFailed,   // the line did not take the bytes
};

// The result of one boot-loader command, with what a user needs to hear
// about a failure: the line sent and what came back.
struct CommandResult {
  ResultKind kind = ResultKind::kSuccess;
  ReturnCode code = ReturnCode::CMD_SUCCESS;
  std::string command;   // the line sent, without its line end
  std::string received;  // what came back for it, as it came

  bool Ok() const { return kind == ResultKind::kSuccess; }
  // The return code's name ("SECTOR_NOT_BLANK"), or "time-out", "line lost",
  // "unexpected answer", "checksum refused", "stopped", "write failed".
  std::string Name() const;
};

// Where a blank check found programmed flash (when the part said).
struct BlankCheckFault {
  bool known = false;
  std::uint32_t offset = 0;  // from the start of the first sector checked
  std::uint32_t word = 0;
};

// One function per ISP command of the boot loader. Each sends one line
// (and for W and R the data phase) and returns the part's answer as a
// named result. Replies are read with deadlines that count the line time
// of what was sent at the line's rate; nothing waits longer than it must.
class BootClient {
 public:
  BootClient(IspLink& link, unsigned baud, std::function<bool()> stop_requested = {});

  // Asks the module's firmware to enter its boot loader ("!"); true when
  // the firmware answered "!" within limit_ms.
  bool RequestBootLoader(std::uint32_t limit_ms);

  // Up to kSyncTries "?", the "Synchronized" handshake, the crystal line
  // and echo off. A part that is already synchronised answers "?" with a
  // return code once a line end follows: then only echo goes off, and
  // already_synchronised says so.
  CommandResult Synchronize(unsigned crystal_khz, bool& already_synchronised);

  CommandResult SetEcho(bool on);                           // A
  CommandResult Unlock();                                   // U 23130
  CommandResult SetBaudRate(unsigned baud, unsigned stop);  // B
  // B even after a stop was asked for: a stop ends a run before its next
  // command, with the part in command mode, and the part must be put back at
  // the rate the next run synchronises at.
  CommandResult SetBaudRateDespiteStop(unsigned baud, unsigned stop);
  CommandResult ReadPartId(std::uint32_t& id);                                      // J
  CommandResult ReadBootCodeVersion(unsigned& major, unsigned& minor);              // K
  CommandResult ReadSerialNumber(std::array<std::uint32_t, 4>& words);              // N
  CommandResult Prepare(unsigned first, unsigned last);                             // P
  CommandResult Erase(unsigned first, unsigned last, std::uint32_t work_ms);        // E
  CommandResult BlankCheck(unsigned first, unsigned last, BlankCheckFault& fault);  // I
  // W and its data lines, a checksum after every 20 lines; a block the part
  // answers RESEND is sent again up to kResendTries times. on_sent hears
  // the bytes the part has accepted so far.
  CommandResult WriteToRam(std::uint32_t address, const std::uint8_t* bytes, std::size_t count,
                           const std::function<void(std::size_t)>& on_sent = {});
  CommandResult ReadMemory(std::uint32_t address, std::size_t count,
                           std::vector<std::uint8_t>& bytes);  // R
  CommandResult Copy(std::uint32_t flash, std::uint32_t ram, std::size_t count,
                     std::uint32_t work_ms);  // C
  // M; on COMPARE_ERROR first_difference is the offset of the first word
  // that differs (when the part said).
  CommandResult Compare(std::uint32_t address1, std::uint32_t address2, std::size_t count,
                        std::optional<std::uint32_t>& first_difference);
  CommandResult Go(std::uint32_t address, char mode);  // G

  // Puts the line at baud (once what was sent has left, and the LF of the
  // last answer has come: a line is taken at its CR, and an LF still on its
  // way would come in garbled at the new rate) and times the answers at it
  // from then on; false when the line refused the rate.
  bool SwitchLineRate(unsigned baud);
  unsigned LineRate() const { return baud_; }
  // Reads and drops whatever arrives until the line has been quiet for
  // quiet_ms (at most limit_ms in all): what a part said at another rate.
  void DropInput(std::uint32_t quiet_ms, std::uint32_t limit_ms);
  // Sends a bare line end and drops the answer: bytes the part received at
  // the wrong rate are the start of a garbage line, which ends there rather
  // than in front of the next command.
  void EndGarbledLine(std::uint32_t quiet_ms, std::uint32_t limit_ms);

  // Times a data block was sent again after RESEND, over the client's life.
  unsigned Resends() const { return resends_; }

  static constexpr int kSyncTries = 10;
  static constexpr std::uint32_t kSyncWaitMs = 150;
  static constexpr std::uint32_t kLineEndWaitMs = 100;
  static constexpr std::uint32_t kAnswerMs = 1000;  // beyond the line time
  // How long the LF after an answer's CR may lag behind it.
  static constexpr std::uint32_t kLineFeedWaitMs = 50;
  static constexpr int kResendTries = 3;
  static constexpr unsigned kUnlockCode = 23130;

 private:
  // Sends line + CR LF and reads the return code line.
  CommandResult Command(const std::string& line, std::uint32_t work_ms = 0,
                        std::size_t answer_bytes = 8);
  bool Send(CommandResult& result, std::string_view bytes);
  bool ReadLine(CommandResult& result, std::string& line, std::uint32_t deadline);
  bool ReadNumbers(CommandResult& result, std::uint32_t* numbers, std::size_t count);
  // Waits, at most kLineFeedWaitMs beyond its line time, for an LF owed.
  void AwaitLineFeed();
  CommandResult EnsureEchoOff();
  CommandResult Handshake(unsigned crystal_khz);
  CommandResult WriteBlock(CommandResult& result, const std::uint8_t* bytes, std::size_t count);
  CommandResult ReadBlock(CommandResult& result, std::size_t count,
                          std::vector<std::uint8_t>& bytes);
  std::uint32_t LineMs(std::size_t bytes) const;
  std::uint32_t Deadline(std::size_t sent_bytes, std::size_t answer_bytes,
                         std::uint32_t work_ms) const;

  IspLink& link_;
  unsigned baud_;
  std::function<bool()> stop_requested_;
  bool despite_stop_ = false;  // the command now going out ignores a stop
  ReplyReader reader_;
  EchoMode echo_ = EchoMode::kRequired;
  unsigned resends_ = 0;
};

}  // namespace isp
