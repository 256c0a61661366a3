#include <gtest/gtest.h>

#include <algorithm>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

PartSettings with(void (*set)(FaultSettings&)) {
  PartSettings settings;
  set(settings.faults);
  return settings;
}

TEST(FaultFlags, SilentNeverAnswers) {
  PartDriver driver(with([](FaultSettings& f) { f.silent = true; }));
  EXPECT_EQ(driver.send("?"), "");
  EXPECT_EQ(driver.send("Synchronized\r\n12000\r\nJ\r\n"), "");
  EXPECT_EQ(driver.wait(std::chrono::seconds(5)), "");
}

TEST(FaultFlags, SilentAfterSyncAnswersOnlyTheQuestionMark) {
  PartDriver driver(with([](FaultSettings& f) { f.silent_after_sync = true; }));
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
  EXPECT_EQ(driver.send("Synchronized\r\n"), "");
  EXPECT_EQ(driver.send("?"), "");
}

TEST(FaultFlags, FailFreqEchoesTheFrequencyThenGoesQuiet) {
  PartDriver driver(with([](FaultSettings& f) { f.fail_frequency = true; }));
  driver.send("?");
  EXPECT_EQ(driver.send("Synchronized\r\n"), "Synchronized\r\nOK\r\n");
  EXPECT_EQ(driver.send("12000\r\n"), "12000\r\n");
  EXPECT_EQ(driver.send("J\r\n?"), "");
  EXPECT_FALSE(driver.part().report().synchronised);
}

TEST(FaultFlags, CommandsAnsweredWithAFailureCode) {
  const struct {
    const char* name;
    void (*set)(FaultSettings&);
    const char* line;
    std::string reply;
  } cases[] = {
      {"--fail-unlock", [](FaultSettings& f) { f.fail_unlock = true; }, "U 23130",
       echoed_reply("U 23130", 16)},
      {"--fail-prepare", [](FaultSettings& f) { f.fail_prepare = true; }, "P 0 3",
       echoed_reply("P 0 3", 11)},
      {"--fail-blank-check", [](FaultSettings& f) { f.fail_blank_check = true; }, "I 0 15",
       lines({"I 0 15", "8", "0", "4294967294"})},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    PartDriver driver(with(test.set));
    driver.synchronise();
    EXPECT_EQ(driver.command(test.line), test.reply);
  }
}

TEST(FaultFlags, PartIdIsConfigurable) {
  PartSettings settings;
  settings.part_id = 0x2540102B;
  PartDriver driver(settings);
  driver.synchronise();
  EXPECT_EQ(driver.command("J"), lines({"J", "0", "624955435"}));
}

// A part with a block copied to sector 0, unlocked and with sectors 0..1 prepared.
void prepare_copy(PartDriver& driver) {
  driver.synchronise();
  driver.unlock();
  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(256, 0x00));
  ASSERT_EQ(driver.command("P 0 1"), echoed_reply("P 0 1", 0));
}

TEST(FaultFlags, FailEraseLeavesFlashAlone) {
  PartDriver driver(with([](FaultSettings& f) { f.fail_erase = true; }));
  prepare_copy(driver);
  driver.command("C 0 268436224 256");
  driver.command("P 0 0");
  EXPECT_EQ(driver.command("E 0 0"), echoed_reply("E 0 0", 11));
  EXPECT_EQ(driver.part().memory().read(0, 4), std::vector<std::uint8_t>(4, 0x00));
  EXPECT_TRUE(driver.part().report().sectors_erased.empty());
}

TEST(FaultFlags, EraseMsDelaysTheReplyButNotTheEcho) {
  PartDriver driver(with([](FaultSettings& f) { f.erase_time = std::chrono::milliseconds(300); }));
  driver.synchronise();
  driver.unlock();
  driver.command("P 0 15");
  EXPECT_EQ(driver.command("E 0 15"), "E 0 15\r\n");
  EXPECT_EQ(driver.wait(std::chrono::milliseconds(299)), "");
  EXPECT_EQ(driver.wait(std::chrono::milliseconds(1)), "0\r\n");
}

TEST(FaultFlags, CopyErrorAndNoCopyReply) {
  {
    PartDriver driver(with([](FaultSettings& f) { f.copy_error = true; }));
    prepare_copy(driver);
    EXPECT_EQ(driver.command("C 0 268436224 256"), echoed_reply("C 0 268436224 256", 11));
    EXPECT_EQ(driver.part().memory().read(0, 4), std::vector<std::uint8_t>(4, 0xFF));
  }
  {
    PartDriver driver(with([](FaultSettings& f) { f.no_copy_reply = true; }));
    prepare_copy(driver);
    EXPECT_EQ(driver.command("C 0 268436224 256"), "C 0 268436224 256\r\n");
    EXPECT_EQ(driver.wait(std::chrono::seconds(10)), "");
    EXPECT_TRUE(driver.part().report().copied_blocks.empty());
  }
}

TEST(FaultFlags, ResendBlockRefusesEveryChecksumOfThatWriteTransfer) {
  PartDriver driver(with([](FaultSettings& f) { f.resend_transfer = 1; }));
  driver.synchronise();
  driver.unlock();
  driver.write_ram(kRamBuffer, {1, 2, 3, 4});  // transfer 0 goes through
  EXPECT_EQ(driver.command("W 268436225 4"), echoed_reply("W 268436225 4", 3));  // not a transfer
  ASSERT_EQ(driver.command("W 268436224 4"), echoed_reply("W 268436224 4", 0));  // transfer 1
  for (int attempt = 0; attempt < 3; ++attempt) {
    driver.send("$!08'\"```\r\r");  // 5 6 7 8, checksum 26
    EXPECT_EQ(driver.command("26"), lines({"26", "RESEND"}));
  }
  EXPECT_EQ(driver.part().memory().read(kRamBuffer, 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

// Both take the block (its checksum is answered OK) and damage what lands in RAM, in the
// chosen transfer only.
TEST(FaultFlags, OffsettingErrorAndCorruptRamDamageTheTransferTheyName) {
  std::vector<std::uint8_t> sent(64);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i * 3);
  sent[8] = 0xFF;  // +1 would wrap: -1 and +1 instead
  const struct {
    const char* name;
    void (*set)(FaultSettings&);
    std::vector<std::pair<std::size_t, std::uint8_t>> changed;  // offset, byte in RAM
  } cases[] = {
      {"offsetting",
       [](FaultSettings& f) { f.offsetting_error_transfer = 1; },
       {{8, 0xFE}, {9, 28}}},
      {"corrupt", [](FaultSettings& f) { f.corrupt_ram_transfer = 1; }, {{16, 0xCF}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PartDriver driver(with(c.set));
    driver.synchronise();
    driver.unlock();
    driver.write_ram(kRamBuffer, sent);  // transfer 0: untouched
    EXPECT_EQ(driver.part().memory().read(kRamBuffer, 64), sent);
    driver.write_ram(kRamBuffer, sent);  // transfer 1: every checksum still answered OK
    std::vector<std::uint8_t> expected = sent;
    for (const auto& [offset, value] : c.changed) expected[offset] = value;
    EXPECT_EQ(driver.part().memory().read(kRamBuffer, 64), expected);
  }
}

TEST(FaultFlags, NoiseBeforeSynchronizedAndEveryEcho) {
  PartDriver driver(with([](FaultSettings& f) { f.noise_bytes = 6; }));
  const std::string first = driver.send("?");
  ASSERT_EQ(first.size(), 6u + 14u);
  const std::string noise = first.substr(0, 6);
  EXPECT_EQ(first.substr(6), "Synchronized\r\n");
  EXPECT_EQ(noise.substr(0, 2), std::string("\0\xFF", 2));
  EXPECT_EQ(noise.find_first_of("\r\n"), std::string::npos);

  const std::string echo = driver.send("Synchronized\r\n");
  EXPECT_EQ(echo.size(), 6u + 18u);
  EXPECT_EQ(echo.substr(6), "Synchronized\r\nOK\r\n");
  EXPECT_EQ(echo.find_first_of("\r\n"), 6u + 12u);
  driver.send("12000\r\n");
  const std::string reply = driver.command("J");
  EXPECT_EQ(reply.substr(6), lines({"J", "0", "913309739"}));
}

TEST(FaultFlags, HangUpAfterTheNthSuccessfulCopy) {
  PartDriver driver(with([](FaultSettings& f) { f.hang_up_after_copies = 2; }));
  prepare_copy(driver);
  driver.command("C 0 268436224 256");
  EXPECT_FALSE(driver.part().hang_up_requested());
  driver.command("C 0 268436224 256");  // sector 0 no longer prepared: refused, not counted
  EXPECT_FALSE(driver.part().hang_up_requested());
  driver.command("P 1 1");
  EXPECT_EQ(driver.command("C 4096 268436224 256"), echoed_reply("C 4096 268436224 256", 0));
  EXPECT_TRUE(driver.part().hang_up_requested());
}

TEST(FaultFlags, HangUpAtTheNthCopyLeavesItUnansweredAndUnwritten) {
  PartDriver driver(with([](FaultSettings& f) { f.hang_up_at_copy = 2; }));
  prepare_copy(driver);
  EXPECT_EQ(driver.command("C 0 268436224 256"), echoed_reply("C 0 268436224 256", 0));
  EXPECT_FALSE(driver.part().hang_up_requested());
  driver.command("P 1 1");
  EXPECT_EQ(driver.command("C 4096 268436224 256"), "C 4096 268436224 256\r\n");
  EXPECT_TRUE(driver.part().hang_up_requested());
  EXPECT_EQ(driver.part().report().copied_blocks.size(), 1u);
  EXPECT_EQ(driver.part().memory().read(4096, 4), std::vector<std::uint8_t>(4, 0xFF));
}

}  // namespace
}  // namespace isp_sim::testing
