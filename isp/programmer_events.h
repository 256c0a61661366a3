#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/boot_client.h"
#include "isp/flash_image.h"
#include "isp/part_table.h"
#include "isp/write_plan.h"

namespace isp {

// The steps of a run, in order.
enum class Phase {
  kStartBootLoader,  // the "!" request to the module's firmware
  kSynchronise,
  kIdentify,  // unlock, part id, the image against the part's flash
  kErase,     // prepare, erase, blank check
  kWrite,     // each chunk to RAM, copied to flash and compared
  kVerify,    // the flash the boot ROM hides from M, read back
  kRestart,
  kRead,  // flash read back into a file, or to compare with one
};

enum class WarningKind {
  kProtection,        // the image sets CRP1 or CRP2 (level)
  kNoVectorTable,     // the image leaves sector 0 as it is: no checksum word
  kResends,           // the part asked for data lines again (count times)
  kNoFirmwareAnswer,  // the "!" request went unanswered
  kProtectedPart,     // the part refuses to read its flash (CRP1 or higher): erase only
};

struct Warning {
  WarningKind kind = WarningKind::kNoFirmwareAnswer;
  ProtectionLevel level = ProtectionLevel::kNone;
  unsigned count = 0;
};

enum class FailureReason {
  kCommand,            // a command failed: result says how
  kUnknownPart,        // part_id is in no row of the part table
  kOutsideFlash,       // the image has data beyond the part's flash (line)
  kNotBlank,           // a sector is not blank after its erase (address)
  kVerifyMismatch,     // flash differs from the image (address)
  kNoSuchSectors,      // the sectors asked for are not all the part's (sectors)
  kRangeOutsideFlash,  // the range asked for is not all flash (address, length)
  kProtectedPart,      // every sector erased, but the protection lasts until a reset
};

// Where and why a run failed, so that a front end can say it in one sentence.
struct Failure {
  Phase phase = Phase::kSynchronise;
  FailureReason reason = FailureReason::kCommand;
  CommandResult result;                  // the command concerned and its answer
  std::optional<std::uint32_t> address;  // the flash address concerned
  std::uint32_t part_id = 0;
  const PartInfo* part = nullptr;
  int line = 0;  // the file line, for kOutsideFlash (0: a file without lines)
  std::optional<SectorSpan> sectors;
  std::uint32_t length = 0;
};

// What a run reports to whichever front end listens. Nothing in the
// programmer prints.
class ProgrammerEvents {
 public:
  virtual ~ProgrammerEvents() = default;
  virtual void PhaseBegun(Phase phase) = 0;
  virtual void Synchronised(bool already_synchronised) = 0;
  virtual void Identified(const PartInfo& part) = 0;
  virtual void Erased(const std::vector<SectorSpan>& spans) = 0;
  // Bytes the part has taken, of all the run writes.
  virtual void BytesWritten(std::uint32_t done, std::uint32_t total) = 0;
  // Every chunk is in flash (and compared with M, unless verifying is off).
  virtual void Written(std::uint32_t bytes) = 0;
  virtual void Verified(std::uint32_t bytes) = 0;
  virtual void Restarted() = 0;
  virtual void Warned(const Warning& warning) = 0;
  // Bytes of flash read back so far, of all the run reads.
  virtual void BytesRead(std::uint32_t done, std::uint32_t total) = 0;
};

}  // namespace isp
