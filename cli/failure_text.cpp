#include "cli/failure_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cli/part_files.h"
#include "cli/shown_name.h"
#include "isp/verified/sector_erase.h"

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#endif

namespace cli {
namespace {

const char* Doing(isp::Phase phase) {
  switch (phase) {
    case isp::Phase::kStartBootLoader:
      return "starting the boot loader";
    case isp::Phase::kSynchronise:
      return "synchronising";
    case isp::Phase::kIdentify:
      return "identifying the part";
    case isp::Phase::kErase:
      return "erasing";
    case isp::Phase::kWrite:
      return "writing";
    case isp::Phase::kVerify:
      return "verifying";
    case isp::Phase::kRestart:
      return "restarting the part";
    case isp::Phase::kRead:
      return "reading the flash";
  }
  return "";
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Where the command was: "while writing at 0x00001000".
std::string Where(const isp::Failure& failure) {
  std::string text = std::string("while ") + Doing(failure.phase);
  if (failure.address) text += " at " + HexAddress(*failure.address);
  return text;
}

// Under CRP1 a part erases sector 0 only with every other sector and takes
// no code into it; under CRP2 it erases only every sector at once and takes
// no code at all; under both it refuses to read (R) or compare (M) its flash.
// The level was read at the part's last reset, so an erase lifts it only
// from the next one.
std::string ProtectionHint(isp::Phase phase, const std::string& command) {
  switch (phase) {
    case isp::Phase::kRead:
    case isp::Phase::kVerify:
      return "the part's code read protection (CRP1 or CRP2) refuses to let its flash be read or "
             "compared, so it cannot be " +
             std::string(command == "read" ? "read" : "verified") +
             " while it is protected; only an erase of every sector lifts that (from the next "
             "reset), and it loses all that the flash holds";
    case isp::Phase::kErase:
      if (command == "erase") {
        return "under code read protection the part erases sector 0 (CRP1), or any sector "
               "(CRP2), only together with every other one: erase --all erases the whole flash";
      }
      if (command == "program") {
        return "under code read protection (CRP1 or CRP2) the part erases sector 0 only together "
               "with every other one and takes no new code before it is reset; nothing was "
               "erased. To replace all it holds: program --erase-all (the run ends after the "
               "erase), reset the part into its boot loader and program again";
      }
      break;
    case isp::Phase::kWrite:
    case isp::Phase::kRestart:
      if (command == "program") {
        return "the part's code read protection (CRP1 or CRP2) refuses new code until it is reset: "
               "after an erase of every sector (--erase-all), reset the part into its boot loader "
               "and program again";
      }
      break;
    default:
      break;
  }
  return "the part's code read protection (CRP1 or CRP2) refuses it";
}

std::string CodeHint(isp::ReturnCode code, isp::Phase phase, const std::string& command) {
  using isp::ReturnCode;
  switch (code) {
    case ReturnCode::CODE_READ_PROTECTION_ENABLED:
      return ProtectionHint(phase, command);
    case ReturnCode::CMD_LOCKED:
      return "the part did not stay unlocked; reset it into its boot loader and try again";
    case ReturnCode::BUSY:
      return "the flash was busy; try again";
    case ReturnCode::INVALID_CODE:
      return "the part refused the unlock code";
    case ReturnCode::SECTOR_NOT_PREPARED_FOR_WRITE_OPERATION:
      return "the sector was not prepared; try again";
    case ReturnCode::INVALID_BAUD_RATE:
    case ReturnCode::INVALID_STOP_BIT:
      return "choose another --baud";
    default:
      return "";
  }
}

std::string CommandFailure(const isp::Failure& failure, const RunContext& context) {
  const isp::CommandResult& result = failure.result;
  const std::string answer =
      result.received.empty() ? "nothing" : Quoted(isp::ShowBytes(result.received));
  switch (result.kind) {
    case isp::ResultKind::kReturnCode: {
      const std::string hint = CodeHint(result.code, failure.phase, context.command);
      return "The part answered " + std::string(isp::ReturnCodeName(result.code)) + " (" +
             std::to_string(static_cast<int>(result.code)) + ") to " + Quoted(result.command) +
             " " + Where(failure) + (hint.empty() ? "" : ": " + hint);
    }
    case isp::ResultKind::kTimeOut:
      if (failure.phase == isp::Phase::kSynchronise && result.command == "?") {
        return "Part not responding on " + context.port + " at " + std::to_string(context.baud) +
               " baud: is the ISP pin held low at reset?";
      }
      return "No answer to " + Quoted(result.command) + " " + Where(failure) + " (received " +
             answer + "): is the part still powered and the line sound? A lower --baud may help";
    case isp::ResultKind::kLineLost:
      return "The line to " + context.port + " was lost " + Where(failure) + " (after " +
             Quoted(result.command) + "): is the cable still plugged in?";
    case isp::ResultKind::kUnexpected:
      if (failure.phase == isp::Phase::kSynchronise) {
        return "The part did not accept " + Quoted(result.command) +
               " while synchronising (received " + answer +
               "): check --crystal-khz, and that the part was reset into its boot loader";
      }
      return "Unexpected answer " + answer + " to " + Quoted(result.command) + " " +
             Where(failure) + ": is another program using " + context.port + "?";
    case isp::ResultKind::kResendLimit:
      return "The data checksum " + Quoted(result.command) + " failed on every try " +
             Where(failure) + ": the line is noisy; try a lower --baud";
    case isp::ResultKind::kStopped:
      return "stopped";  // the front end names the signal
    case isp::ResultKind::kSendFailed:
      return "Could not write to " + context.port + " " + Where(failure) +
             ": is the adapter still connected?";
    case isp::ResultKind::kSuccess:
      break;
  }
  return "The run failed " + Where(failure);
}

#ifndef _WIN32
// What lets this user open the device: joining its group, unless that is
// root's own group.
std::string PermissionHint(const std::string& path) {
  const std::string group = DeviceGroupName(path);
  if (group.empty()) {
    return " (add yourself to the group that owns it, usually dialout: sudo usermod -aG dialout "
           "$USER, then log in again)";
  }
  if (group == "root") {
    return " (its group is root, which gives no user access: a udev rule can give it a group "
           "such as dialout to join, or run as root)";
  }
  return " (add yourself to its group, " + group + ": sudo usermod -aG " + group +
         " $USER, then log in again)";
}
#endif

}  // namespace

std::string DeviceGroupName(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return "";
#else
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return "";
  // The reentrant lookup: several ports may fail to open at once.
  struct group entry {};
  struct group* group = nullptr;
  std::vector<char> buffer(16384);
  if (::getgrgid_r(status.st_gid, &entry, buffer.data(), buffer.size(), &group) == 0 &&
      group != nullptr) {
    return group->gr_name;
  }
  return std::to_string(status.st_gid);
#endif
}

std::string PortOpenFailureText(const std::string& port, const comm::OpenError& error) {
  std::string text = "Unable to open serial port " + ShownName(port);
  if (!error.text.empty()) text += ": " + error.text;
  switch (error.kind) {
    case comm::OpenFailure::kPermission:
#ifdef _WIN32
      return text + " (another user's program may hold it)";
#else
      return text + PermissionHint(port);
#endif
    case comm::OpenFailure::kBusy:
      return text + " (another program holds it: close it and try again)";
    case comm::OpenFailure::kNotFound:
      return text + " (no such port: is the adapter plugged in? \"tarvo-cli ports\" lists them)";
    case comm::OpenFailure::kNotSerial:
      return text + " (it is no serial port)";
    default:
      return text;
  }
}

namespace {

// Why the file did not open or read, as the file system says it.
std::string WhyUnreadable(const isp::ImageError& error) {
  switch (error.kind) {
    case isp::ImageErrorKind::kNotFound:
      return "no such file";
    case isp::ImageErrorKind::kIsAFolder:
      return "it is a directory";
    case isp::ImageErrorKind::kNotRegularFile:
      return "it is no regular file";
    case isp::ImageErrorKind::kNoPermission:
    case isp::ImageErrorKind::kCannotOpen:
      if (error.system_error != 0) return std::strerror(error.system_error);
      break;
    default:
      break;
  }
  return "it could not be read";
}

std::string Kib(std::uint32_t bytes) {
  return std::to_string(bytes / 1024) + " KiB";
}

constexpr const char* kNoImageFormat = "no ELF, S-record or Intel HEX file";

// What a file that holds no image looks like, after its name.
std::string WhatItLooksLike(const isp::ImageError& error) {
  switch (error.kind) {
    case isp::ImageErrorKind::kEmpty:
      return " is empty: there is nothing to write";
    case isp::ImageErrorKind::kOnlyWhiteSpace:
      return " holds only white space: it is " + std::string(kNoImageFormat);
    case isp::ImageErrorKind::kTextNoImage: {
      std::string start;
      for (const char c : error.detail)
        start.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
      return " holds text that is " + std::string(kNoImageFormat) + " (it begins \"" + start +
             "\", where a record begins with 'S' or ':')";
    }
    case isp::ImageErrorKind::kBinaryNoImage: {
      std::string start;
      for (const char c : error.detail) {
        char text[8];
        std::snprintf(text, sizeof text, " 0x%02X", static_cast<unsigned char>(c));
        start += text;
      }
      return " holds binary data that is " + std::string(kNoImageFormat) + " (its first bytes are" +
             start +
             "); to write it raw into the flash, give its first byte's address with --address";
    }
    default:
      return "";
  }
}

std::string RecordFileText(const isp::ImageError& error) {
  const bool srec = error.format == isp::ImageFormat::kSRecord;
  const std::string file = srec ? "Invalid S-record file: " : "Invalid HEX file: ";
  const std::string line = file + "line " + std::to_string(error.line) + ": ";
  switch (error.kind) {
    case isp::ImageErrorKind::kBadRecord:
      return line + error.detail;
    case isp::ImageErrorKind::kNoDataRecords:
      return file + "no data records";
    case isp::ImageErrorKind::kNoEndRecord:
      return line + (srec ? "no end record (S7, S8 or S9; is the file truncated?)"
                          : "no end-of-file record (is the file truncated?)");
    case isp::ImageErrorKind::kDataAfterEnd:
      return line + (srec ? "data record after the end record"
                          : "data record after the end-of-file record");
    case isp::ImageErrorKind::kBeyondFlash:
      return line + "data beyond the flash of every known part (" + Kib(error.limit) + ")";
    default:
      return file + "it could not be read";
  }
}

std::string ElfSegment(const isp::ImageError& error) {
  return "ELF segment " + std::to_string(error.segment) + " at " + Hex32(error.address) + " (" +
         std::to_string(error.size) + " bytes)";
}

std::string ElfText(const isp::ImageError& error) {
  switch (error.kind) {
    case isp::ImageErrorKind::kElfNotArm32:
      return error.detail + ": only a 32-bit little-endian ARM ELF file can be programmed";
    case isp::ImageErrorKind::kElfHeaderCutShort:
      return "the ELF header is cut short";
    case isp::ImageErrorKind::kElfProgramHeadersTooSmall:
      return "the ELF program headers are too small (" + std::to_string(error.size) + " bytes)";
    case isp::ImageErrorKind::kElfProgramHeadersPastEnd:
      return "the ELF program headers lie past the end of the file";
    case isp::ImageErrorKind::kElfSegmentPastEnd:
      return ElfSegment(error) + " lies past the end of the file";
    case isp::ImageErrorKind::kBeyondFlash:
      return ElfSegment(error) + " lies outside the flash of every known part (" +
             Kib(error.limit) + " from 0x00000000)";
    case isp::ImageErrorKind::kElfNothingToLoad:
    default:
      return "the ELF file has no loadable segment with bytes to write";
  }
}

}  // namespace

std::string ImageErrorText(const isp::ImageError& error) {
  if (isp::IsFileAccessError(error.kind)) return "Unable to open file: " + WhyUnreadable(error);
  const std::string looks = WhatItLooksLike(error);
  if (!looks.empty()) return looks.substr(1);
  switch (error.format) {
    case isp::ImageFormat::kIntelHex:
    case isp::ImageFormat::kSRecord:
      return RecordFileText(error);
    case isp::ImageFormat::kElf:
      return ElfText(error);
    case isp::ImageFormat::kBinary:
      break;
  }
  return std::to_string(error.size) + " bytes from address " + std::to_string(error.address) +
         " reach beyond the flash of every known part (" + Kib(error.limit) + ")";
}

std::string ImageFailureText(const std::string& path, const isp::ImageError& error) {
  if (isp::IsFileAccessError(error.kind)) {
    return "Unable to open file " + ShownName(path) + ": " + WhyUnreadable(error);
  }
  const std::string looks = WhatItLooksLike(error);
  if (!looks.empty()) return ShownName(path) + looks;
  return ShownName(path) + ": " + ImageErrorText(error);
}

std::string StepFailureText(const isp::StepFailure& failure) {
  std::string text = std::string("while ") + failure.step + ": " + Quoted(failure.command);
  const std::string answer = failure.answer;
  if (answer.empty()) return text + " got no answer";
  text += " was answered " + Quoted(isp::ShowBytes(answer));
  if (const auto code = isp::ParseReturnCode(answer)) {
    text += " (" + std::string(isp::ReturnCodeName(*code)) + ")";
  }
  return text;
}

std::string LogIncompleteText(const std::string& path, const std::string& why) {
  return "\"" + ShownName(path) + "\" is incomplete: " + why;
}

std::string HexAddress(std::uint32_t address) {
  return Hex32(address);
}

std::string DescribeFailure(const isp::Failure& failure, const RunContext& context) {
  switch (failure.reason) {
    case isp::FailureReason::kUnknownPart:
      return "Unknown part id " + Hex32(failure.part_id) + " (" + std::to_string(failure.part_id) +
             "): add a row for it to the part file " + PartFileToExtend() +
             " (or give one with --parts), with the rest from the part's user manual: " +
             PartRowTemplate(failure.part_id);
    case isp::FailureReason::kOutsideFlash:
      return ShownName(context.file) +
             (failure.line > 0 ? ": line " + std::to_string(failure.line) : std::string()) +
             ": data lies beyond the " + std::to_string(failure.part->flash_size / 1024) +
             " KiB flash of the " + failure.part->name +
             (failure.phase == isp::Phase::kVerify ? "; nothing was compared"
                                                   : "; nothing was erased") +
             ": is the file built for this part?";
    case isp::FailureReason::kNotBlank:
      return "The flash is not blank after the erase" +
             (failure.address ? " at " + HexAddress(*failure.address) : std::string()) +
             " (answer to " + Quoted(failure.result.command) +
             "): the part may be protected or its flash worn";
    case isp::FailureReason::kVerifyMismatch:
      return "Verify failed at " + HexAddress(failure.address.value_or(0)) +
             ": the flash does not hold what was written (" + Quoted(failure.result.command) +
             "); try again, perhaps with --erase-all";
    case isp::FailureReason::kRamMismatch:
      return "Verify failed in RAM at " + HexAddress(failure.address.value_or(0)) +
             " before the copy to " + HexAddress(failure.copy_to.value_or(0)) +
             ": the RAM buffer does not hold what was sent, though the part took its checksums (" +
             Quoted(failure.result.command) + "); nothing was copied there: try again";
    case isp::FailureReason::kWindowHidden:
      return "Cannot read " + HexAddress(failure.address.value_or(0)) + " to " +
             HexAddress(failure.address.value_or(0) + failure.length - 1) +
             ": the boot ROM hides " + "the lowest " +
             std::to_string(failure.part->boot_rom_window) + " bytes of the " + failure.part->name +
             "'s flash from R while its boot loader runs; read from --address " +
             HexAddress(failure.part->boot_rom_window) + " on, or into a .hex file, which leaves " +
             "them out";
    case isp::FailureReason::kNoSuchSectors:
      return "Cannot erase: " +
             isp::SpanOutsidePart(*failure.part, failure.sectors.value_or(isp::SectorSpan{}))
                 .value_or("the sectors are not the part's");
    case isp::FailureReason::kRangeOutsideFlash:
      return "Cannot read " +
             (failure.length > 0 ? std::to_string(failure.length) + " bytes at "
                                 : std::string("from ")) +
             HexAddress(failure.address.value_or(0)) + ": the " + failure.part->name + " has " +
             std::to_string(failure.part->flash_size / 1024) + " KiB of flash (" + HexAddress(0) +
             " to " + HexAddress(failure.part->flash_size - 1) + ")";
    case isp::FailureReason::kProtectedPart:
      return "Every sector of the " + std::string(failure.part ? failure.part->name : "part") +
             " is erased, but it keeps its code read protection until it is reset, so nothing "
             "was written: reset the part into its boot loader (RESET with the ISP pin low) and "
             "program again";
    case isp::FailureReason::kCommand:
      break;
  }
  return CommandFailure(failure, context);
}

}  // namespace cli
