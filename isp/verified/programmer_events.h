#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "isp/image/flash_image.h"
#include "isp/part_table.h"
#include "isp/verified/write_plan.h"
#include "isp/wire/boot_client.h"

namespace isp {

// The steps of a run, in order.
enum class Phase {
  kStartBootLoader,  // the "!" request to the module's firmware
  kSynchronise,
  kIdentify,  // unlock, part id, the image against the part's flash
  kErase,     // prepare, erase, blank check
  kWrite,     // each chunk to RAM, copied to flash and compared
  kVerify,    // the flash read back and compared
  kRestart,
  kRead,  // flash read back into a file, or to compare with one
};

enum class WarningKind {
  kProtection,        // the image sets CRP1 or CRP2 (level)
  kNoVectorTable,     // the image leaves sector 0 as it is: no checksum word
  kSectorZeroErased,  // no vector table, yet sector 0 is erased (no valid user code then)
  kResends,           // the part asked for data lines again (count times)
  kNoFirmwareAnswer,  // the "!" request went unanswered
  kProtectedPart,     // the part refuses to read its flash (CRP1 or higher): erase only
  // The faster line rate asked for (count) was not used; the run goes on at
  // kept_baud. line_rate says why.
  kLineRateKept,
};

// Why a run stayed at the rate it synchronised at.
enum class LineRateRefusal {
  kNone,
  kPartTable,  // the part's row says its boot loader does not take the rate
  kHost,       // the serial port refused the rate
  kPart,       // the part answered B with a return code (code)
  kNoAnswer,   // the part took B but did not answer at the new rate
};

struct Warning {
  WarningKind kind = WarningKind::kNoFirmwareAnswer;
  ProtectionLevel level = ProtectionLevel::kNone;
  unsigned count = 0;
  LineRateRefusal line_rate = LineRateRefusal::kNone;
  unsigned kept_baud = 0;
  ReturnCode code = ReturnCode::CMD_SUCCESS;
};

enum class FailureReason {
  kCommand,            // a command failed: result says how
  kUnknownPart,        // part_id is in no row of the part table
  kOutsideFlash,       // the image has data beyond the part's flash (line)
  kNotBlank,           // a sector is not blank after its erase (address)
  kVerifyMismatch,     // flash differs from the image (address)
  kNoSuchSectors,      // the sectors asked for are not all the part's (sectors)
  kRangeOutsideFlash,  // the range asked for is not all flash (address, length)
  // The RAM buffer read back before a copy differs from the image (address:
  // the RAM address; copy_to: the flash address of the copy not made).
  kRamMismatch,
  // The range asked for lies in the boot ROM's window, which R cannot read
  // as flash on this part (address, length: the window's part of it).
  kWindowHidden,
  kProtectedPart,  // every sector erased, but the protection lasts until a reset
};

// How a programming run checks what it wrote.
enum class VerifyMode {
  kRam,   // M compares the flash with the RAM buffer after each copy
  kRead,  // R reads every written byte back and compares it with the image
};

// What a verify compared, so that its line can say what "ok" means.
struct Verification {
  // kRam: the flash holds what the part received; kRead: the flash equals
  // the file (also what verify FILE does).
  VerifyMode mode = VerifyMode::kRead;
  std::uint32_t bytes = 0;   // compared in all
  std::uint32_t in_ram = 0;  // of them, in the RAM buffer before their copy
  // Bytes of the file in the boot ROM's window that could not be compared.
  std::uint32_t not_compared = 0;
  std::uint32_t window = 0;  // the part's window, in bytes from address 0
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
  std::optional<std::uint32_t> copy_to;  // for kRamMismatch
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
  virtual void Verified(const Verification& verification) = 0;
  virtual void Restarted() = 0;
  virtual void Warned(const Warning& warning) = 0;
  // Bytes of flash read back so far, of all the run reads.
  virtual void BytesRead(std::uint32_t done, std::uint32_t total) = 0;
  // The line now runs at baud, confirmed by an answer at that rate.
  virtual void LineRateSet(unsigned baud) { static_cast<void>(baud); }
};

}  // namespace isp
