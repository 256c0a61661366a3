#include <gtest/gtest.h>

#include <numeric>

#include "part_driver.hpp"
#include "uu_codec.hpp"

namespace isp_sim::testing {
namespace {

std::vector<std::uint8_t> pattern(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> data(count);
  for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<std::uint8_t>(seed + i * 7);
  return data;
}

std::string sum_of(const std::vector<std::uint8_t>& data, std::size_t first, std::size_t last) {
  return std::to_string(std::accumulate(data.begin() + static_cast<std::ptrdiff_t>(first),
                                        data.begin() + static_cast<std::ptrdiff_t>(last), 0u));
}

std::string line_of(const std::vector<std::uint8_t>& data, std::size_t first, std::size_t count) {
  return uu_encode_line(std::span<const std::uint8_t>(data.data() + first, count));
}

class WriteTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    driver.synchronise();
    driver.unlock();
  }
  std::vector<std::uint8_t> ram(std::uint32_t count) {
    return driver.part().memory().read(kRamBuffer, count);
  }
  PartDriver driver;
};

TEST_F(WriteTransfer, LinesAreEchoedAndTheChecksumAnsweredOk) {
  const auto data = pattern(100, 3);  // lines of 45, 45 and 10 bytes
  ASSERT_EQ(driver.command("W 268436224 100"), echoed_reply("W 268436224 100", 0));
  for (std::size_t first : {0u, 45u, 90u}) {
    const std::string line = line_of(data, first, std::min<std::size_t>(45, 100 - first));
    EXPECT_EQ(driver.send(line + "\r\r"), line + "\r\n");
  }
  const std::string sum = sum_of(data, 0, 100);
  EXPECT_EQ(driver.command(sum), lines({sum, "OK"}));
  EXPECT_EQ(ram(100), data);
  EXPECT_EQ(driver.command("J"), lines({"J", "0", "913309739"}));  // back in command mode
}

TEST_F(WriteTransfer, WrongChecksumDropsTheBlockUntilItIsSentAgain) {
  const auto data = pattern(8, 0x40);
  const std::string line = line_of(data, 0, 8);
  driver.command("W 268436224 8");
  driver.send(line + "\r\n");
  EXPECT_EQ(driver.command("1"), lines({"1", "RESEND"}));
  EXPECT_EQ(ram(8), std::vector<std::uint8_t>(8, 0));
  driver.send(line + "\r\n");
  EXPECT_EQ(driver.command(sum_of(data, 0, 8)), lines({sum_of(data, 0, 8), "OK"}));
  EXPECT_EQ(ram(8), data);
}

TEST_F(WriteTransfer, ChecksumAfterEveryTwentyLinesAndAfterTheLast) {
  const std::size_t count = 45 * 21 + 3;  // 20 full lines, a full 21st, a short 22nd
  const auto data = pattern(count, 9);
  driver.command("W 268436224 " + std::to_string(count));
  for (std::size_t line = 0; line < 20; ++line) driver.send(line_of(data, line * 45, 45) + "\r\r");
  // After 20 lines the next line must be a checksum: a data line there fails the block.
  const std::string early = line_of(data, 900, 45);
  EXPECT_EQ(driver.send(early + "\r\r"), lines({early, "RESEND"}));
  for (std::size_t line = 0; line < 20; ++line) driver.send(line_of(data, line * 45, 45) + "\r\r");
  EXPECT_EQ(driver.command(sum_of(data, 0, 900)), lines({sum_of(data, 0, 900), "OK"}));
  // A RESEND of the second block keeps the first one.
  driver.send(early + "\r\r");
  driver.send(line_of(data, 945, 3) + "\r\r");
  EXPECT_EQ(driver.command("0"), lines({"0", "RESEND"}));
  driver.send(early + "\r\r");
  driver.send(line_of(data, 945, 3) + "\r\r");
  EXPECT_EQ(driver.command(sum_of(data, 900, count)), lines({sum_of(data, 900, count), "OK"}));
  EXPECT_EQ(ram(static_cast<std::uint32_t>(count)), data);
}

TEST_F(WriteTransfer, ZeroBytesMaySpellAsSpaceOrBacktick) {
  driver.command("W 268436224 8");
  driver.send("(     0  ``$`\r\n");  // 00 00 00 01 00 00 00 01, zeros spelt both ways
  EXPECT_EQ(driver.command("2"), lines({"2", "OK"}));
  EXPECT_EQ(ram(8), (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST_F(WriteTransfer, DamagedLineFailsItsBlock) {
  driver.command("W 268436224 4");
  driver.send("$!!!\r\n");  // announces 4 bytes, carries 3 characters
  EXPECT_EQ(driver.command("0"), lines({"0", "RESEND"}));
  EXPECT_EQ(driver.send("$`````0``\r\n"), "$`````0``\r\n");
  EXPECT_EQ(driver.command("1"), lines({"1", "OK"}));
}

TEST_F(WriteTransfer, HelperWritesSeveralBlocks) {
  const auto data = pattern(2000, 1);
  driver.write_ram(kRamBuffer + 4, data);
  EXPECT_EQ(driver.part().memory().read(kRamBuffer + 4, 2000), data);
}

}  // namespace
}  // namespace isp_sim::testing
