#include "isp/verified/programmer.h"

#include <algorithm>
#include <vector>

#include "isp/verified/part_connection.h"
#include "isp/verified/ram_check.h"
#include "isp/verified/read_back.h"
#include "isp/verified/sector_erase.h"

namespace isp {
namespace {

// The bytes of a chunk: the image's, the erased value past its end.
std::vector<std::uint8_t> ChunkBytes(const FlashImage& image, std::uint32_t flash,
                                     std::uint32_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::uint32_t i = 0; i < size; ++i) bytes[i] = image.At(flash + i);
  return bytes;
}

// The bytes at the start of a chunk that M cannot see (the boot ROM shows
// through them), checked in the RAM buffer before their copy instead.
std::uint32_t HiddenBytes(const PartInfo& part, const Chunk& chunk) {
  if (chunk.flash >= part.boot_rom_window) return 0;
  return std::min(chunk.size, part.boot_rom_window - chunk.flash);
}

}  // namespace

std::optional<Failure> Programmer::Run(const FlashImage& image, const ProgramSettings& settings) {
  const unsigned synchronised_baud = client_.LineRate();
  std::optional<Failure> failure = Steps(image, settings);
  // A part restarted into its firmware leaves the boot loader's rate behind.
  const bool restarted = settings.run && !failure;
  if (!restarted && settings.connect.reset == nullptr)
    RestoreLineRate(client_, synchronised_baud, failure);
  return failure;
}

std::optional<Failure> Programmer::Steps(const FlashImage& image, const ProgramSettings& settings) {
  if (auto failure = Synchronise(settings)) return failure;
  const PartInfo* part = nullptr;
  if (auto failure = Identify(image, part)) return failure;
  if (settings.identity != nullptr) {
    if (auto failure = ReadPartIdentity(client_, *settings.identity)) return failure;
  }
  if (auto failure = RaiseLineRate(client_, events_, *part, settings.line_rate)) return failure;
  const WritePlan plan = MakeWritePlan(image, *part, settings.erase_all);
  bool protected_part = false;
  // Erasing every sector is all a protected part takes, and it keeps its
  // protection until it is reset: with --erase-all, the user hears so
  // before the erase and the run ends after it, rather than failing at the
  // write and asking for the same erase again.
  if (settings.erase_all) {
    if (auto failure = CheckProtection(protected_part)) return failure;
  }
  if (protected_part) events_.Warned(Warning{WarningKind::kProtectedPart});
  if (auto failure = Erase(*part, plan)) return failure;
  if (protected_part) {
    Failure failure;
    failure.phase = Phase::kWrite;
    failure.reason = FailureReason::kProtectedPart;
    failure.part = part;
    return failure;
  }
  if (auto failure = Write(image, *part, plan, settings)) return failure;
  if (client_.Resends() > 0)
    events_.Warned(Warning{WarningKind::kResends, ProtectionLevel::kNone, client_.Resends()});
  if (settings.run) return Restart(plan, settings.connect.reset);
  return std::nullopt;
}

std::optional<Failure> Programmer::Synchronise(const ProgramSettings& settings) {
  return ConnectToPart(client_, events_, settings.connect);
}

std::optional<Failure> Programmer::Identify(const FlashImage& image, const PartInfo*& part) {
  if (auto failure = IdentifyPart(client_, events_, part)) return failure;
  const std::uint32_t id = part->id;
  // Judged before anything is erased.
  if (image.End() > part->flash_size) {
    Failure failure;
    failure.phase = Phase::kIdentify;
    failure.reason = FailureReason::kOutsideFlash;
    failure.part = part;
    failure.part_id = id;
    failure.line = image.FirstLineAtOrAbove(part->flash_size).value_or(0);
    return failure;
  }
  return std::nullopt;
}

std::optional<Failure> Programmer::Erase(const PartInfo& part, const WritePlan& plan) {
  events_.PhaseBegun(Phase::kErase);
  for (const SectorSpan& span : plan.erase) {
    if (auto failure = EraseSpan(client_, part, span)) return failure;
  }
  events_.Erased(plan.erase);
  return std::nullopt;
}

std::optional<Failure> Programmer::CheckProtection(bool& refused) {
  std::vector<std::uint8_t> word;
  const CommandResult result = client_.ReadMemory(kProtectionWordAddress, 4, word);
  refused = result.kind == ResultKind::kReturnCode &&
            result.code == ReturnCode::CODE_READ_PROTECTION_ENABLED;
  if (result.Ok() || refused) return std::nullopt;
  return CommandFailure(Phase::kIdentify, result, kProtectionWordAddress);
}

std::optional<Failure> Programmer::Write(const FlashImage& image, const PartInfo& part,
                                         const WritePlan& plan, const ProgramSettings& settings) {
  events_.PhaseBegun(Phase::kWrite);
  std::uint32_t done = 0;
  events_.BytesWritten(done, plan.bytes);
  for (const Chunk& chunk : plan.chunks) {
    if (auto failure = WriteChunk(image, part, plan, chunk, settings, done)) return failure;
  }
  events_.Written(done);
  if (!settings.verify) return std::nullopt;
  events_.PhaseBegun(Phase::kVerify);
  Verification verification;
  verification.mode = settings.verify_mode;
  verification.window = part.boot_rom_window;
  verification.bytes = done;
  // The bytes judged in the RAM buffer only: those M cannot see, or with a
  // read back those R cannot.
  for (const Chunk& chunk : plan.chunks) {
    verification.in_ram += settings.verify_mode == VerifyMode::kRead
                               ? HiddenFromRead(part, chunk.flash, chunk.size)
                               : HiddenBytes(part, chunk);
  }
  events_.Verified(verification);
  return std::nullopt;
}

std::optional<Failure> Programmer::WriteChunk(const FlashImage& image, const PartInfo& part,
                                              const WritePlan& plan, const Chunk& chunk,
                                              const ProgramSettings& settings,
                                              std::uint32_t& done) {
  const std::uint32_t hidden = HiddenBytes(part, chunk);
  const std::vector<std::uint8_t> bytes = ChunkBytes(image, chunk.flash, chunk.size);
  const std::uint32_t before = done;
  CommandResult result =
      client_.WriteToRam(plan.ram_buffer, bytes.data(), bytes.size(), [&](std::size_t sent) {
        events_.BytesWritten(before + static_cast<std::uint32_t>(sent), plan.bytes);
      });
  if (!result.Ok()) return CommandFailure(Phase::kWrite, result, chunk.flash);
  // R on RAM is never remapped: what the flash cannot show afterwards is
  // judged in the RAM buffer before the copy.
  if (settings.verify && hidden > 0) {
    if (auto failure = CheckRamBuffer(client_, plan.ram_buffer, bytes, hidden, chunk.flash))
      return failure;
  }
  result = client_.Prepare(chunk.sector, chunk.sector);
  if (!result.Ok()) return CommandFailure(Phase::kWrite, result, chunk.flash);
  // Every copy must be answered CMD_SUCCESS: an unanswered one fails.
  result = client_.Copy(chunk.flash, plan.ram_buffer, chunk.size, chunk.size / 256 * kCopyMsPer256);
  if (!result.Ok()) return CommandFailure(Phase::kWrite, result, chunk.flash);
  done = before + chunk.size;
  if (!settings.verify) return std::nullopt;
  if (settings.verify_mode == VerifyMode::kRead) return ReadBackChunk(client_, part, chunk, bytes);
  if (hidden >= chunk.size) return std::nullopt;
  std::optional<std::uint32_t> difference;
  result = client_.Compare(chunk.flash + hidden, plan.ram_buffer + hidden, chunk.size - hidden,
                           difference);
  if (result.Ok()) return std::nullopt;
  Failure failure = CommandFailure(Phase::kWrite, result, chunk.flash);
  if (result.kind == ResultKind::kReturnCode && result.code == ReturnCode::COMPARE_ERROR) {
    failure.reason = FailureReason::kVerifyMismatch;
    failure.address = chunk.flash + hidden + difference.value_or(0);
  }
  return failure;
}

std::optional<Failure> Programmer::Restart(const WritePlan& plan, PartReset* reset) {
  return StartFirmware(client_, events_, plan.ram_buffer, reset);
}

}  // namespace isp
