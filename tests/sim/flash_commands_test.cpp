#include <gtest/gtest.h>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

class FlashCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    driver.synchronise();
    driver.unlock();
  }
  std::vector<std::uint8_t> flash(std::uint32_t address, std::uint32_t count) {
    return driver.part().memory().read(address, count);
  }
  PartDriver driver;
};

TEST(FlashCommandsWithoutEcc, CopyClearsBitsOnlyAndUnpreparesItsSectors) {
  PartSettings settings;
  settings.part = *find_part_by_name("LPC1768");  // no ECC: a line may be programmed again
  PartDriver driver(settings);
  driver.synchronise();
  driver.unlock();
  const auto flash = [&driver](std::uint32_t address, std::uint32_t count) {
    return driver.part().memory().read(address, count);
  };
  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(256, 0x3C));
  EXPECT_EQ(driver.command("P 1 1"), echoed_reply("P 1 1", 0));
  EXPECT_EQ(driver.command("C 4096 268436224 256"), echoed_reply("C 4096 268436224 256", 0));
  EXPECT_EQ(flash(4096, 256), std::vector<std::uint8_t>(256, 0x3C));

  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(256, 0x0F));
  EXPECT_EQ(driver.command("C 4096 268436224 256"), echoed_reply("C 4096 268436224 256", 9));
  driver.command("P 1 1");
  EXPECT_EQ(driver.command("C 4096 268436224 256"), echoed_reply("C 4096 268436224 256", 0));
  EXPECT_EQ(flash(4096, 256), std::vector<std::uint8_t>(256, 0x0C));  // 0x3C AND 0x0F
  EXPECT_EQ(flash(4352, 4), std::vector<std::uint8_t>(4, 0xFF));      // past the block
}

TEST_F(FlashCommands, CopyAcrossASectorBoundaryNeedsBothSectorsPrepared) {
  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(1024, 0x00));
  driver.command("P 0 0");
  EXPECT_EQ(driver.command("C 3584 268436224 1024"), echoed_reply("C 3584 268436224 1024", 9));
  driver.command("P 0 1");
  EXPECT_EQ(driver.command("C 3584 268436224 1024"), echoed_reply("C 3584 268436224 1024", 0));
  EXPECT_EQ(flash(3584, 1024), std::vector<std::uint8_t>(1024, 0x00));
  ASSERT_EQ(driver.part().report().copied_blocks.size(), 1u);
  EXPECT_EQ(driver.part().report().copied_blocks[0].flash, 3584u);
}

TEST_F(FlashCommands, EraseRestoresOnesAndUnprepares) {
  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(256, 0x00));
  driver.command("P 2 2");
  driver.command("C 8192 268436224 256");
  driver.command("P 2 3");
  EXPECT_EQ(driver.command("E 2 3"), echoed_reply("E 2 3", 0));
  EXPECT_EQ(flash(8192, 256), std::vector<std::uint8_t>(256, 0xFF));
  EXPECT_EQ(driver.command("E 2 2"), echoed_reply("E 2 2", 9));
  EXPECT_EQ(driver.part().report().sectors_erased, (std::set<unsigned>{2, 3}));
}

TEST_F(FlashCommands, BlankCheckGivesOffsetAndWordOfTheFirstProgrammedWord) {
  EXPECT_EQ(driver.command("I 0 15"), echoed_reply("I 0 15", 0));
  std::vector<std::uint8_t> block(256, 0xFF);
  block[20] = 0x78;
  block[21] = 0x56;
  block[22] = 0x34;
  block[23] = 0x12;
  block[40] = 0x00;
  driver.write_ram(kRamBuffer, block);
  driver.command("P 3 3");
  driver.command("C 12288 268436224 256");
  EXPECT_EQ(driver.command("I 2 4"), lines({"I 2 4", "8", "4116", "305419896"}));  // 4096 + 20
  EXPECT_EQ(driver.command("I 3 3"), lines({"I 3 3", "8", "20", "305419896"}));
  EXPECT_EQ(driver.command("I 4 15"), echoed_reply("I 4 15", 0));
}

TEST_F(FlashCommands, CompareGivesOffsetOfFirstDifferingWord) {
  driver.write_ram(kRamBuffer, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  driver.write_ram(kRamBuffer + 256, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 99});
  EXPECT_EQ(driver.command("M 268436224 268436480 8"), echoed_reply("M 268436224 268436480 8", 0));
  EXPECT_EQ(driver.command("M 268436224 268436480 12"),
            lines({"M 268436224 268436480 12", "10", "8"}));
}

}  // namespace
}  // namespace isp_sim::testing
