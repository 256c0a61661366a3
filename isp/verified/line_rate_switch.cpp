#include "isp/verified/line_rate_switch.h"

#include <algorithm>

#include "isp/verified/part_connection.h"

namespace isp {
namespace {

// What a part said at the other rate is garbage at this one: dropped once
// the line has been quiet this long.
constexpr std::uint32_t kQuietMs = 30;
constexpr std::uint32_t kDropLimitMs = 500;

Warning KeptWarning(unsigned asked, unsigned kept, LineRateRefusal why,
                    ReturnCode code = ReturnCode::CMD_SUCCESS) {
  Warning warning;
  warning.kind = WarningKind::kLineRateKept;
  warning.count = asked;
  warning.kept_baud = kept;
  warning.line_rate = why;
  warning.code = code;
  return warning;
}

// The part answers J with its own id: the link works at the rate in use.
bool Answers(BootClient& client, const PartInfo& part) {
  std::uint32_t id = 0;
  return client.ReadPartId(id).Ok() && id == part.id;
}

}  // namespace

bool IsIspBaudRate(unsigned baud) {
  return std::find(kIspBaudRates.begin(), kIspBaudRates.end(), baud) != kIspBaudRates.end();
}

std::optional<Failure> RaiseLineRate(BootClient& client, ProgrammerEvents& events,
                                     const PartInfo& part, const LineRateRequest& request) {
  const unsigned old_baud = client.LineRate();
  const unsigned baud = request.baud;
  if (baud == 0 || baud == old_baud) return std::nullopt;
  // Only a rate the part's row takes is tried; the default only goes up.
  if (baud > part.max_isp_baud || !IsIspBaudRate(baud)) {
    if (request.asked) events.Warned(KeptWarning(baud, old_baud, LineRateRefusal::kPartTable));
    return std::nullopt;
  }
  if (!request.asked && baud < old_baud) return std::nullopt;
  // The host's port is tried first, with nothing on the line: once the part
  // has switched, a port that cannot follow would lose it.
  if (!client.SwitchLineRate(baud) || !client.SwitchLineRate(old_baud)) {
    client.SwitchLineRate(old_baud);
    events.Warned(KeptWarning(baud, old_baud, LineRateRefusal::kHost));
    return std::nullopt;
  }
  const CommandResult answer = client.SetBaudRate(baud, 1);
  if (answer.kind == ResultKind::kStopped) return CommandFailure(Phase::kSynchronise, answer);
  if (answer.kind == ResultKind::kReturnCode) {
    events.Warned(KeptWarning(baud, old_baud, LineRateRefusal::kPart, answer.code));
    return std::nullopt;
  }
  if (answer.Ok()) {
    // The part answered at the old rate and listens at the new one now; the
    // answer has been read, so the port's queue holds nothing of B.
    if (client.SwitchLineRate(baud) && Answers(client, part)) {
      events.LineRateSet(baud);
      return std::nullopt;
    }
  }
  // No answer at the new rate (or none to B at all): back to the old one.
  // What the part made of the lines at the wrong rate is unknown, so it is
  // synchronised again, which a part still synchronised answers at once.
  client.SwitchLineRate(old_baud);
  client.DropInput(kQuietMs, kDropLimitMs);
  events.Warned(KeptWarning(baud, old_baud, LineRateRefusal::kNoAnswer));
  bool already = false;
  CommandResult again = client.Synchronize(request.crystal_khz, already);
  if (!again.Ok() && again.kind != ResultKind::kStopped) {
    // A part that did switch but whose answer at the new rate went astray
    // is only reached at the new rate: once there, it is put back.
    // The "?"s it got at the old rate are the start of a garbage line.
    client.SwitchLineRate(baud);
    client.EndGarbledLine(kQuietMs, kDropLimitMs);
    if (Answers(client, part) && client.SetBaudRate(old_baud, 1).Ok() &&
        client.SwitchLineRate(old_baud)) {
      again = client.Synchronize(request.crystal_khz, already);
    } else {
      client.SwitchLineRate(old_baud);
    }
  }
  if (!again.Ok()) return CommandFailure(Phase::kSynchronise, again);
  client.DropInput(kQuietMs, kDropLimitMs);
  std::uint32_t id = 0;
  const CommandResult check = client.ReadPartId(id);
  if (!check.Ok()) return CommandFailure(Phase::kSynchronise, check);
  return std::nullopt;
}

}  // namespace isp

namespace isp {

void RestoreLineRate(BootClient& client, unsigned baud, const std::optional<Failure>& failure) {
  if (client.LineRate() == baud) return;
  const bool stopped = failure && failure->result.kind == ResultKind::kStopped;
  if (failure && failure->result.kind != ResultKind::kSuccess &&
      failure->result.kind != ResultKind::kReturnCode && !stopped) {
    return;
  }
  // A stop ends the run before its next command, with the part in command
  // mode: the part still goes back to the old rate, or the next run at that
  // rate would not reach it until a reset.
  const CommandResult result =
      stopped ? client.SetBaudRateDespiteStop(baud, 1) : client.SetBaudRate(baud, 1);
  if (result.Ok()) client.SwitchLineRate(baud);
}

}  // namespace isp
