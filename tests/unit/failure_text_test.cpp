#include "cli/failure_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli/part_files.h"
#include "cli/run_outcome.h"
#include "isp/image/file_bytes.h"
#include "isp/part_table.h"
#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using isp::Failure;
using isp::FailureReason;
using isp::Phase;
using isp::ResultKind;
using isp::ReturnCode;

Failure CommandFailure(Phase phase, ResultKind kind, ReturnCode code, std::string command,
                       std::string received, std::optional<std::uint32_t> address = {}) {
  Failure failure;
  failure.phase = phase;
  failure.result = {kind, code, std::move(command), std::move(received)};
  failure.address = address;
  return failure;
}

TEST(FailureTextTest, UnknownPartNamesThePartFileWithARowForItsId) {
  testing_support::ScopedTempDir dir;
  const std::string file = dir.File("parts.json");
  std::FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("[]", out);
  std::fclose(out);
  std::string error;
  ASSERT_TRUE(cli::LoadPartFiles(file, error)) << error;
  // The part table as built in again afterwards, for the tests after this one.
  struct RestoreParts {
    ~RestoreParts() { isp::RestoreBuiltInParts(); }
  } restore;
  Failure unknown;
  unknown.phase = Phase::kIdentify;
  unknown.reason = FailureReason::kUnknownPart;
  unknown.part_id = 0x12345678;
  EXPECT_EQ(cli::DescribeFailure(unknown, {"COM1", 115200, "app.hex", ""}),
            "Unknown part id 0x12345678 (305419896): add a row for it to the part file " + file +
                " (or give one with --parts), with the rest from the part's user manual: "
                "{\"id\": \"0x12345678\", \"name\": \"...\", \"sectors\": [{\"size\": 4096, "
                "\"count\": ...}], \"ram_size\": ..., \"ram_buffer_start\": ..., "
                "\"ram_buffer_end\": ...}");
}

TEST(FailureTextTest, EachFailureIsOneSentenceWithWhatToTry) {
  const cli::RunContext context{"/dev/ttyUSB0", 115200, "firmware.hex", ""};
  Failure outside;
  outside.phase = Phase::kIdentify;
  outside.reason = FailureReason::kOutsideFlash;
  outside.part = isp::FindPart(0x0444102B);
  outside.line = 2049;
  Failure outside_verify = outside;  // verify never erases
  outside_verify.phase = Phase::kVerify;
  Failure mismatch =
      CommandFailure(Phase::kWrite, ResultKind::kReturnCode, ReturnCode::COMPARE_ERROR,
                     "M 4096 268436224 4096", "10\r\n8\r\n", 0x1008);
  mismatch.reason = FailureReason::kVerifyMismatch;
  Failure not_blank = CommandFailure(Phase::kErase, ResultKind::kReturnCode,
                                     ReturnCode::SECTOR_NOT_BLANK, "I 0 3", "8\r\n0\r\n1\r\n", 0);
  not_blank.reason = FailureReason::kNotBlank;

  const std::pair<Failure, std::string> cases[] = {
      {CommandFailure(Phase::kSynchronise, ResultKind::kTimeOut, ReturnCode::CMD_SUCCESS, "?", ""),
       "Part not responding on /dev/ttyUSB0 at 115200 baud: is the ISP pin held low at reset?"},
      {CommandFailure(Phase::kSynchronise, ResultKind::kUnexpected, ReturnCode::CMD_SUCCESS,
                      "12000", "12000\r\nERR\r\n"),
       "The part did not accept \"12000\" while synchronising (received \"12000\\r\\nERR\\r\\n\"): "
       "check --crystal-khz, and that the part was reset into its boot loader"},
      {outside,
       "firmware.hex: line 2049: data lies beyond the 32 KiB flash of the LPC1114/301; nothing "
       "was erased: is the file built for this part?"},
      {outside_verify,
       "firmware.hex: line 2049: data lies beyond the 32 KiB flash of the LPC1114/301; nothing "
       "was compared: is the file built for this part?"},
      {CommandFailure(Phase::kWrite, ResultKind::kReturnCode, ReturnCode::BUSY,
                      "C 4096 268436224 4096", "11\r\n", 0x1000),
       "The part answered BUSY (11) to \"C 4096 268436224 4096\" while writing at 0x00001000: "
       "the flash was busy; try again"},
      {CommandFailure(Phase::kErase, ResultKind::kReturnCode,
                      ReturnCode::CODE_READ_PROTECTION_ENABLED, "E 0 0", "19\r\n", 0),
       "The part answered CODE_READ_PROTECTION_ENABLED (19) to \"E 0 0\" while erasing at "
       "0x00000000: the part's code read protection (CRP1 or CRP2) refuses it"},
      {CommandFailure(Phase::kWrite, ResultKind::kTimeOut, ReturnCode::CMD_SUCCESS,
                      "C 0 268436224 4096", "", 0),
       "No answer to \"C 0 268436224 4096\" while writing at 0x00000000 (received nothing): is "
       "the part still powered and the line sound? A lower --baud may help"},
      {CommandFailure(Phase::kWrite, ResultKind::kLineLost, ReturnCode::CMD_SUCCESS,
                      "W 268436224 4096", "", 0x2000),
       "The line to /dev/ttyUSB0 was lost while writing at 0x00002000 (after \"W 268436224 "
       "4096\"): is the cable still plugged in?"},
      {CommandFailure(Phase::kWrite, ResultKind::kResendLimit, ReturnCode::CMD_SUCCESS, "61234",
                      "RESEND\r\n", 0x3000),
       "The data checksum \"61234\" failed on every try while writing at 0x00003000: the line is "
       "noisy; try a lower --baud"},
      {mismatch,
       "Verify failed at 0x00001008: the flash does not hold what was written (\"M 4096 "
       "268436224 4096\"); try again, perhaps with --erase-all"},
      {not_blank,
       "The flash is not blank after the erase at 0x00000000 (answer to \"I 0 3\"): the part may "
       "be protected or its flash worn"},
  };
  for (const auto& [failure, text] : cases) EXPECT_EQ(cli::DescribeFailure(failure, context), text);
}

namespace open_texts {

using comm::OpenFailure;

struct OpenCase {
  OpenFailure kind;
  const char* system_text;
  std::string expected;
};

TEST(FailureTextTest, PortThatDoesNotOpenIsNamedWithTheReasonAndTheFix) {
  const std::string start = "Unable to open serial port /dev/ttyUSB0: ";
  const OpenCase cases[] = {
#ifdef _WIN32
      {OpenFailure::kPermission, "Access is denied.",
       start + "Access is denied. (another user's program may hold it)"},
#else
      {OpenFailure::kPermission, "Permission denied",
       start + "Permission denied (add yourself to the group that owns it, usually dialout: sudo "
               "usermod -aG dialout $USER, then log in again)"},
#endif
      {OpenFailure::kBusy, "Device or resource busy",
       start + "Device or resource busy (another program holds it: close it and try again)"},
      {OpenFailure::kNotFound, "No such file or directory",
       start + "No such file or directory (no such port: is the adapter plugged in? \"tarvo-cli "
               "ports\" lists them)"},
      {OpenFailure::kNotSerial, "Inappropriate ioctl for device",
       start + "Inappropriate ioctl for device (it is no serial port)"},
      {OpenFailure::kOther, "Input/output error", start + "Input/output error"},
      // Without the system's words, the cause still names the fix.
      {OpenFailure::kBusy, "",
       "Unable to open serial port /dev/ttyUSB0 (another program holds it: close it and try "
       "again)"},
  };
  for (const OpenCase& c : cases) {
    comm::OpenError error;
    error.kind = c.kind;
    error.text = c.system_text;
    EXPECT_EQ(cli::PortOpenFailureText("/dev/ttyUSB0", error), c.expected);
  }
}

#ifndef _WIN32
// The hint names the group the device really has, not the usual one.
TEST(FailureTextTest, PermissionHintNamesTheDevicesOwnGroup) {
  comm::OpenError error;
  error.kind = OpenFailure::kPermission;
  error.text = "Permission denied";
  EXPECT_EQ(cli::PortOpenFailureText("/dev/null", error),
            "Unable to open serial port /dev/null: Permission denied (its group is root, which "
            "gives no user access: a udev rule can give it a group such as dialout to join, or "
            "run as root)");

  const testing_support::ScopedTempDir dir;
  const std::string device = dir.File("ttyUSB7");
  testing_support::WriteTextFile(device, "");
  const struct group* tty = ::getgrnam("tty");
  if (tty == nullptr || ::chown(device.c_str(), static_cast<uid_t>(-1), tty->gr_gid) != 0) {
    GTEST_SKIP() << "cannot give a file the group tty here";
  }
  EXPECT_EQ(cli::PortOpenFailureText(device, error),
            "Unable to open serial port " + device +
                ": Permission denied (add yourself to its group, tty: sudo usermod -aG tty $USER, "
                "then log in again)");
}
#endif

// A port held by many processes names a few of them and counts the rest.
TEST(FailureTextTest, OtherUsersOfAPortAreNamedAtMostThree) {
  std::vector<comm::PortUser> users;
  for (int pid = 101; pid <= 105; ++pid) users.push_back({pid, "cat"});
  const std::string tail = "; replies from the module may go missing";
  EXPECT_EQ(cli::PortUserWarnings("/dev/ttyS3", users),
            (std::vector<std::string>{"/dev/ttyS3 is also open in process 101 (cat)" + tail,
                                      "/dev/ttyS3 is also open in process 102 (cat)" + tail,
                                      "/dev/ttyS3 is also open in process 103 (cat)" + tail,
                                      "/dev/ttyS3 is open in 2 more processes"}));
  users.resize(4);
  EXPECT_EQ(cli::PortUserWarnings("/dev/ttyS3", users).back(),
            "/dev/ttyS3 is open in 1 more process");
  users.resize(3);
  EXPECT_EQ(cli::PortUserWarnings("/dev/ttyS3", users).back(),
            "/dev/ttyS3 is also open in process 103 (cat)" + tail);
  EXPECT_TRUE(cli::PortUserWarnings("/dev/ttyS3", {}).empty());
}

struct StepCase {
  isp::StepFailure failure;
  const char* expected;
};

TEST(FailureTextTest, StepOfTheWindowsDialogueIsNamedWithThePartsAnswer) {
  const StepCase cases[] = {
      {{"synchronising", "?", ""}, "while synchronising: \"?\" got no answer"},
      {{"unlocking", "U 23130", "19"},
       "while unlocking: \"U 23130\" was answered \"19\" (CODE_READ_PROTECTION_ENABLED)"},
      // An answer that is no return code is shown as it came.
      {{"reading the part id", "J", "123456789"},
       "while reading the part id: \"J\" was answered \"123456789\""},
      {{"writing the block to RAM (its checksum)", "65280", "RESEND"},
       "while writing the block to RAM (its checksum): \"65280\" was answered \"RESEND\""},
  };
  for (const StepCase& c : cases) EXPECT_EQ(cli::StepFailureText(c.failure), c.expected);
}

TEST(FailureTextTest, FileThatDoesNotLoadIsNamedWithTheReason) {
  testing_support::ScopedTempDir dir;
  std::filesystem::create_directory("folder.hex");
#ifndef _WIN32
  ASSERT_EQ(mkfifo("pipe.hex", 0600), 0);
#endif
  // Why the file did not open, as the loader finds it.
  const auto unreadable = [](const char* name) {
    std::vector<std::uint8_t> bytes;
    return isp::ReadFileBytes(name, bytes).value_or(isp::ImageError{});
  };
  isp::ImageError bad_record;
  bad_record.kind = isp::ImageErrorKind::kBadRecord;
  bad_record.format = isp::ImageFormat::kIntelHex;
  bad_record.line = 3;
  bad_record.detail = "checksum mismatch";
  const std::pair<std::pair<const char*, isp::ImageError>, std::string> cases[] = {
      {{"missing.hex", unreadable("missing.hex")}, "Unable to open file missing.hex: no such file"},
      {{"folder.hex", unreadable("folder.hex")},
       "Unable to open file folder.hex: it is a directory"},
#ifndef _WIN32
      {{"pipe.hex", unreadable("pipe.hex")}, "Unable to open file pipe.hex: it is no regular file"},
#endif
      // The loader's own words come after the file's name.
      {{"app.hex", bad_record}, "app.hex: Invalid HEX file: line 3: checksum mismatch"},
  };
  for (const auto& [given, expected] : cases)
    EXPECT_EQ(cli::ImageFailureText(given.first, given.second), expected);
}

}  // namespace open_texts
}  // namespace
