#include "cli/failure_text.h"

#include <gtest/gtest.h>

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

TEST(FailureTextTest, EachFailureIsOneSentenceWithWhatToTry) {
  const cli::RunContext context{"/dev/ttyUSB0", 115200, "firmware.hex"};
  Failure unknown = CommandFailure(Phase::kIdentify, ResultKind::kSuccess, ReturnCode::CMD_SUCCESS,
                                   "J", "0\r\n305419896\r\n");
  unknown.reason = FailureReason::kUnknownPart;
  unknown.part_id = 0x12345678;
  Failure outside;
  outside.phase = Phase::kIdentify;
  outside.reason = FailureReason::kOutsideFlash;
  outside.part = isp::FindPart(0x0444102B);
  outside.line = 2049;
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
      {unknown,
       "Unknown part id 0x12345678 (305419896): add a row for this part to the part table "
       "(isp/part_table.cpp)"},
      {outside,
       "firmware.hex: line 2049: data lies beyond the 32 KiB flash of the LPC1114/301; nothing "
       "was erased: is the file built for this part?"},
      {CommandFailure(Phase::kWrite, ResultKind::kReturnCode, ReturnCode::BUSY,
                      "C 4096 268436224 4096", "11\r\n", 0x1000),
       "The part answered BUSY (11) to \"C 4096 268436224 4096\" while writing at 0x00001000: "
       "the flash was busy; try again"},
      {CommandFailure(Phase::kErase, ResultKind::kReturnCode,
                      ReturnCode::CODE_READ_PROTECTION_ENABLED, "E 0 0", "19\r\n", 0),
       "The part answered CODE_READ_PROTECTION_ENABLED (19) to \"E 0 0\" while erasing at "
       "0x00000000: the part's code read protection refuses it; a part under CRP1 or CRP2 takes "
       "only an erase of every sector (--erase-all)"},
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
      {CommandFailure(Phase::kRestart, ResultKind::kStopped, ReturnCode::CMD_SUCCESS, "G", ""),
       "interrupted"},
  };
  for (const auto& [failure, text] : cases) EXPECT_EQ(cli::DescribeFailure(failure, context), text);
}

}  // namespace
