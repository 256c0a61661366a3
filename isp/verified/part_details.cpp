#include "isp/verified/part_details.h"

#include <vector>

#include "isp/verified/part_connection.h"

namespace isp {
namespace {

// A command the part answered with a return code (one it does not know, or
// refuses) leaves its detail unknown; anything else ends the run.
bool LineFailed(const CommandResult& result) {
  return !result.Ok() && result.kind != ResultKind::kReturnCode;
}

}  // namespace

std::optional<Failure> ReadPartIdentity(BootClient& client, PartIdentity& identity) {
  identity = PartIdentity{};
  unsigned major = 0;
  unsigned minor = 0;
  CommandResult result = client.ReadBootCodeVersion(major, minor);
  if (LineFailed(result)) return CommandFailure(Phase::kIdentify, result);
  if (result.Ok()) identity.boot_code = {major, minor};

  std::array<std::uint32_t, 4> serial{};
  result = client.ReadSerialNumber(serial);
  if (LineFailed(result)) return CommandFailure(Phase::kIdentify, result);
  if (result.Ok()) identity.serial = serial;
  return std::nullopt;
}

std::optional<Failure> ReadPartDetails(BootClient& client, const PartInfo& part,
                                       PartDetails& details) {
  details = PartDetails{};
  details.part = &part;
  PartIdentity identity;
  if (auto failure = ReadPartIdentity(client, identity)) return failure;
  details.boot_code = identity.boot_code;
  details.serial = identity.serial;

  CommandResult result;
  std::vector<std::uint8_t> word;
  // Where the boot ROM hides 0x2FC, R would answer one of the ROM's bytes:
  // never taken for the word. R of the flash above the window still tells
  // whether the part refuses to read.
  const bool hidden = HiddenFromRead(part, kProtectionWordAddress, 4) > 0;
  const std::uint32_t probe = hidden ? part.boot_rom_window : kProtectionWordAddress;
  result = client.ReadMemory(probe, 4, word);
  if (LineFailed(result)) return CommandFailure(Phase::kIdentify, result, probe);
  if (hidden) {
    if (result.Ok()) details.protection = ProtectionReading::kHidden;
    if (result.code == ReturnCode::CODE_READ_PROTECTION_ENABLED)
      details.protection = ProtectionReading::kRefused;
    return std::nullopt;
  }
  if (result.Ok()) {
    details.protection = ProtectionReading::kRead;
    details.protection_word =
        static_cast<std::uint32_t>(word[0]) | static_cast<std::uint32_t>(word[1]) << 8 |
        static_cast<std::uint32_t>(word[2]) << 16 | static_cast<std::uint32_t>(word[3]) << 24;
    details.level = ProtectionOfWord(details.protection_word);
  } else if (result.code == ReturnCode::CODE_READ_PROTECTION_ENABLED) {
    details.protection = ProtectionReading::kRefused;
  }
  return std::nullopt;
}

}  // namespace isp
