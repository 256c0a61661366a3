#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "isp/image/flash_image.h"
#include "isp/verified/programmer_events.h"
#include "isp/wire/boot_client.h"

namespace isp {

// What the code read protection word told, as far as it could be read.
enum class ProtectionReading {
  kRead,     // R read the word at 0x2FC: level holds what it sets
  kRefused,  // R was refused under CRP1 or higher
  kUnknown,  // the part gave no usable answer
  // The word lies in the boot ROM's window, which R cannot read as flash on
  // this part; R read the flash above the window, so no CRP1 or higher.
  kHidden,
};

// Which part this is: its boot code version (K) and serial number (N). A
// part that does not know K or N leaves its field empty.
struct PartIdentity {
  std::optional<std::array<unsigned, 2>> boot_code;  // major, minor
  std::optional<std::array<std::uint32_t, 4>> serial;
};

// Reads K and N. Fails only when the line does (no answer, lost).
std::optional<Failure> ReadPartIdentity(BootClient& client, PartIdentity& identity);

// Everything the boot loader tells about the part it runs on. A part that
// does not know K or N leaves its field empty.
struct PartDetails {
  const PartInfo* part = nullptr;
  std::optional<std::array<unsigned, 2>> boot_code;  // major, minor
  std::optional<std::array<std::uint32_t, 4>> serial;
  ProtectionReading protection = ProtectionReading::kUnknown;
  std::uint32_t protection_word = 0;  // when read
  ProtectionLevel level = ProtectionLevel::kNone;
};

// Reads the boot code version, the serial number and the protection word
// of an identified part. Fails only when the line does (no answer, lost).
std::optional<Failure> ReadPartDetails(BootClient& client, const PartInfo& part,
                                       PartDetails& details);

}  // namespace isp
