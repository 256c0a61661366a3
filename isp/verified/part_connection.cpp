#include "isp/verified/part_connection.h"

#include "isp/wire/restart_routine.h"

namespace isp {
namespace {

constexpr std::uint32_t kFirmwareAnswerMs = 1000;

}  // namespace

Failure CommandFailure(Phase phase, const CommandResult& result,
                       std::optional<std::uint32_t> address) {
  Failure failure;
  failure.phase = phase;
  failure.result = result;
  failure.address = address;
  return failure;
}

std::optional<Failure> ConnectToPart(BootClient& client, ProgrammerEvents& events,
                                     const ConnectSettings& settings) {
  if (settings.reset != nullptr) {
    events.PhaseBegun(Phase::kStartBootLoader);
    settings.reset->EnterBootLoader();
  } else if (settings.start_boot_loader) {
    events.PhaseBegun(Phase::kStartBootLoader);
    if (!client.RequestBootLoader(kFirmwareAnswerMs))
      events.Warned(Warning{WarningKind::kNoFirmwareAnswer, ProtectionLevel::kNone, 0});
  }
  events.PhaseBegun(Phase::kSynchronise);
  bool already = false;
  const CommandResult result = client.Synchronize(settings.crystal_khz, already);
  // The part samples the ISP pin only as it leaves reset: the pin is free
  // again whether or not the part answered.
  if (settings.reset != nullptr) settings.reset->ReleaseIsp();
  if (!result.Ok()) return CommandFailure(Phase::kSynchronise, result);
  events.Synchronised(already);
  return std::nullopt;
}

std::optional<Failure> IdentifyPart(BootClient& client, ProgrammerEvents& events,
                                    const PartInfo*& part) {
  events.PhaseBegun(Phase::kIdentify);
  CommandResult result = client.Unlock();
  if (!result.Ok()) return CommandFailure(Phase::kIdentify, result);
  std::uint32_t id = 0;
  result = client.ReadPartId(id);
  if (!result.Ok()) return CommandFailure(Phase::kIdentify, result);
  part = FindPart(id);
  if (part == nullptr) {
    Failure failure = CommandFailure(Phase::kIdentify, result);
    failure.reason = FailureReason::kUnknownPart;
    failure.part_id = id;
    return failure;
  }
  events.Identified(*part);
  return std::nullopt;
}

std::optional<Failure> StartFirmware(BootClient& client, ProgrammerEvents& events,
                                     std::uint32_t ram_buffer, PartReset* reset) {
  events.PhaseBegun(Phase::kRestart);
  if (reset != nullptr) {
    reset->StartFirmware();
    events.Restarted();
    return std::nullopt;
  }
  CommandResult result = client.WriteToRam(ram_buffer, kRestartRoutine, sizeof kRestartRoutine);
  if (!result.Ok()) return CommandFailure(Phase::kRestart, result);
  result = client.Go(ram_buffer, 'T');
  if (!result.Ok()) return CommandFailure(Phase::kRestart, result);
  events.Restarted();
  return std::nullopt;
}

}  // namespace isp
