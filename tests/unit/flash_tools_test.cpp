// The boot-loader operations of info, read, erase and verify on a scripted
// part: what they send, what they make of the answers.
#include <gtest/gtest.h>

#include "isp/verified/flash_read.h"
#include "isp/verified/flash_verify.h"
#include "isp/verified/part_details.h"
#include "isp/verified/sector_erase.h"
#include "tests/unit/echo_off_client.h"
#include "tests/unit/scripted_link.h"

namespace {

using isp::FailureReason;
using isp::Phase;
using isp::ResultKind;
using unit::ReadAnswer;
using unit::ScriptedLink;

// Keeps what a front end would show of the events.
class HeardEvents : public isp::ProgrammerEvents {
 public:
  void PhaseBegun(Phase phase) override { phases.push_back(phase); }
  void Synchronised(bool) override {}
  void Identified(const isp::PartInfo&) override {}
  void Erased(const std::vector<isp::SectorSpan>& spans) override { erased = spans; }
  void BytesWritten(std::uint32_t, std::uint32_t) override {}
  void Written(std::uint32_t) override {}
  void Verified(const isp::Verification& v) override { verified = v.bytes; }
  void Restarted() override {}
  void Warned(const isp::Warning&) override {}
  void BytesRead(std::uint32_t done, std::uint32_t total) override {
    read.emplace_back(done, total);
  }

  std::vector<Phase> phases;
  std::vector<isp::SectorSpan> erased;
  std::optional<std::uint32_t> verified;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> read;
};

std::vector<std::uint8_t> Bytes(std::uint32_t from, std::uint32_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::uint32_t i = 0; i < count; ++i)
    bytes[i] = static_cast<std::uint8_t>((from + i) * 13 + 1);
  return bytes;
}

// The part's whole answer to an R: its blocks of up to 20 lines, each taken
// with OK.
void ExpectRead(ScriptedLink& link, std::uint32_t address, std::uint32_t count) {
  const std::vector<std::uint8_t> bytes = Bytes(address, count);
  std::string sent = "R " + std::to_string(address) + " " + std::to_string(count) + "\r\n";
  std::string answer = "0\r\n";
  for (std::uint32_t at = 0; at < count; at += 900) {
    const auto end = bytes.begin() + std::min<std::uint32_t>(count, at + 900);
    link.Expect(sent, answer + ReadAnswer({bytes.begin() + at, end}));
    sent = "OK\r\n";
    answer = "";
  }
  link.Expect("OK\r\n", "");
}

class FlashToolsTest : public unit::EchoOffClientTest {
 protected:
  HeardEvents events;
  const isp::PartInfo& lpc1227 = *isp::FindPart(0x3670002B);
};

TEST_F(FlashToolsTest, ReadTakesTheWordsAroundAnyRangeInChunks) {
  // 0x0FFE to 0x2003: whole words from 0x0FFC, at most 4096 bytes an R.
  ExpectRead(link, 0x0FFC, 4096);
  ExpectRead(link, 0x1FFC, 8);
  std::vector<std::uint8_t> flash;
  const auto failure = isp::ReadFlash(client, events, lpc1227, {{0x0FFE, 0x1006}}, flash);
  ASSERT_FALSE(failure) << failure->result.Name();
  EXPECT_EQ(flash, Bytes(0x0FFE, 0x1006));
  EXPECT_EQ(events.phases, std::vector<Phase>{Phase::kRead});
  EXPECT_EQ(events.read, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                             {0, 0x1006}, {4094, 0x1006}, {0x1006, 0x1006}}));
}

TEST_F(FlashToolsTest, RangeBeyondTheFlashIsRefusedBeforeAnythingIsSent) {
  const isp::FlashRange ranges[] = {{0x1FFFC, 8}, {0x20000, 1},    {0x30000, 4},
                                    {0, 0x20001}, {4, 0xFFFFFFFF}, {0, 0}};
  for (const isp::FlashRange& range : ranges) {
    SCOPED_TRACE(range.address);
    std::vector<std::uint8_t> flash;
    const auto failure = isp::ReadFlash(client, events, lpc1227, {{0, 4}, range}, flash);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->reason, FailureReason::kRangeOutsideFlash);
    EXPECT_EQ(failure->address, range.address);
    EXPECT_EQ(failure->length, range.length);
  }
  EXPECT_EQ(link.sent.size(), 1u);  // only the echo-off of the set-up
  EXPECT_TRUE(events.phases.empty());
}

TEST_F(FlashToolsTest, BlockThatNeverAddsUpEndsTheReadAtItsAddress) {
  const std::vector<std::uint8_t> bytes = Bytes(0x100, 8);
  link.Expect("R 256 8\r\n", "0\r\n" + ReadAnswer(bytes, 1));
  for (int i = 0; i < isp::BootClient::kResendTries; ++i)
    link.Expect("RESEND\r\n", ReadAnswer(bytes, 1));
  std::vector<std::uint8_t> flash;
  const auto failure = isp::ReadFlash(client, events, lpc1227, {{0x100, 8}}, flash);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->phase, Phase::kRead);
  EXPECT_EQ(failure->result.kind, ResultKind::kResendLimit);
  EXPECT_EQ(failure->address, 0x100u);
  EXPECT_EQ(client.Resends(), 3u);
}

TEST_F(FlashToolsTest, DetailsTakeWhatThePartKnows) {
  // 0x2FC lies above the LPC1227's 512-byte window: the word itself is read.
  const std::string protection_word = ReadAnswer({0x78, 0x56, 0x34, 0x12});
  link.Expect("K\r\n", "0\r\n7\r\n1\r\n");
  link.Expect("N\r\n", "1\r\n");  // INVALID_COMMAND: an older boot loader
  link.Expect("R 764 4\r\n", "0\r\n" + protection_word);
  link.Expect("OK\r\n", "");
  isp::PartDetails details;
  ASSERT_FALSE(isp::ReadPartDetails(client, lpc1227, details));
  EXPECT_EQ(details.boot_code, (std::array<unsigned, 2>{7, 1}));
  EXPECT_FALSE(details.serial);
  EXPECT_EQ(details.protection, isp::ProtectionReading::kRead);
  EXPECT_EQ(details.protection_word, 0x12345678u);
  EXPECT_EQ(details.level, isp::ProtectionLevel::kCrp1);

  // A part (of a user's part file) whose boot ROM window covers 0x2FC: R of the flash above
  // the window tells only whether the part refuses to read; no word answered in the window
  // is taken for a protection level.
  isp::PartInfo wide_window = lpc1227;
  wide_window.boot_rom_window = 1024;
  link.Expect("K\r\n", "0\r\n5\r\n2\r\n");
  link.Expect("N\r\n", "1\r\n");
  link.Expect("R 1024 4\r\n", "0\r\n" + ReadAnswer({0xFF, 0xFF, 0xFF, 0xFF}));
  link.Expect("OK\r\n", "");
  ASSERT_FALSE(isp::ReadPartDetails(client, wide_window, details));
  EXPECT_EQ(details.protection, isp::ProtectionReading::kHidden);
  EXPECT_EQ(details.level, isp::ProtectionLevel::kNone);
  // Shown on a part whose R sees the flash there: the word is read again.
  wide_window.read_sees_flash = true;
  link.Expect("K\r\n", "0\r\n5\r\n2\r\n");
  link.Expect("N\r\n", "1\r\n");
  link.Expect("R 764 4\r\n", "0\r\n" + protection_word);
  link.Expect("OK\r\n", "");
  ASSERT_FALSE(isp::ReadPartDetails(client, wide_window, details));
  EXPECT_EQ(details.protection, isp::ProtectionReading::kRead);
  wide_window.read_sees_flash = false;

  // A part under protection refuses the read.
  const struct {
    const isp::PartInfo* part;
    const char* read;
  } refusing[] = {{&lpc1227, "R 764 4\r\n"}, {&wide_window, "R 1024 4\r\n"}};
  for (const auto& c : refusing) {
    link.Expect("K\r\n", "0\r\n5\r\n2\r\n");
    link.Expect("N\r\n", "0\r\n1\r\n2\r\n3\r\n4\r\n");
    link.Expect(c.read, "19\r\n");
    ASSERT_FALSE(isp::ReadPartDetails(client, *c.part, details));
    EXPECT_EQ(details.serial, (std::array<std::uint32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(details.protection, isp::ProtectionReading::kRefused);
  }

  // No answer is a failure, not an unknown detail.
  link.Expect("K\r\n", "");
  const auto failure = isp::ReadPartDetails(client, lpc1227, details);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->result.kind, ResultKind::kTimeOut);
  EXPECT_EQ(failure->result.command, "K");
}

TEST_F(FlashToolsTest, EraseOfARangeIsPreparedErasedAndBlankChecked) {
  link.Expect("P 2 5\r\n", "0\r\n");
  link.Expect("E 2 5\r\n", "0\r\n");
  link.Expect("I 2 5\r\n", "8\r\n4100\r\n255\r\n");  // a word left at 0x3004
  const auto not_blank = isp::EraseSectors(client, events, lpc1227, isp::SectorSpan{2, 5});
  ASSERT_TRUE(not_blank);
  EXPECT_EQ(not_blank->reason, FailureReason::kNotBlank);
  EXPECT_EQ(not_blank->address, 0x2000u + 4100u);
  EXPECT_TRUE(events.erased.empty());

  link.Expect("P 0 31\r\n", "0\r\n");
  link.Expect("E 0 31\r\n", "0\r\n");
  link.Expect("I 0 31\r\n", "0\r\n");
  EXPECT_FALSE(isp::EraseSectors(client, events, lpc1227, std::nullopt));
  ASSERT_EQ(events.erased.size(), 1u);
  EXPECT_EQ(events.erased[0].first, 0u);
  EXPECT_EQ(events.erased[0].last, 31u);

  // Sectors the part does not have: nothing is sent.
  const auto refused = isp::EraseSectors(client, events, lpc1227, isp::SectorSpan{30, 32});
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->reason, FailureReason::kNoSuchSectors);
}

TEST(FlashCompareTest, OnlyPlacedBytesCountAndTheLowestDifferenceIsKept) {
  isp::FlashImage image;
  const std::uint8_t low[] = {1, 2, 3, 4};
  const std::uint8_t high[] = {9, 9};
  image.Place(0x10, low, sizeof low, 1);
  image.Place(0x900, high, sizeof high, 2);
  // One large block holds both; small ones leave the gap unread.
  const auto whole = isp::PlacedRanges(image, 0x1000);
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].length, 0x902u);
  const auto ranges = isp::PlacedRanges(image, 0x100);
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].address, 0x000u);
  EXPECT_EQ(ranges[0].length, 0x100u);
  EXPECT_EQ(ranges[1].address, 0x900u);
  EXPECT_EQ(ranges[1].length, 2u);

  isp::FlashComparison comparison;
  std::vector<std::uint8_t> flash(0x20, 0x55);  // unplaced bytes differ and do not count
  flash[0x10] = 1;
  flash[0x11] = 2;
  flash[0x12] = 0;
  flash[0x13] = 4;
  isp::CompareWithImage(image, 0, flash, comparison);
  isp::CompareWithImage(image, 0x900, {9, 8}, comparison);
  EXPECT_EQ(comparison.compared, 6u);
  EXPECT_EQ(comparison.differing, 2u);
  EXPECT_EQ(comparison.first_difference, 0x12u);
  EXPECT_FALSE(comparison.Equal());
}

}  // namespace
