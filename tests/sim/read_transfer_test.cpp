#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

#include "part_driver.hpp"
#include "uu_codec.hpp"

namespace isp_sim::testing {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> result;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) break;
    result.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return result;
}

// Decodes one block (data lines then checksum) and checks the checksum.
std::vector<std::uint8_t> decode_block(const std::vector<std::string>& block) {
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i + 1 < block.size(); ++i) {
    const auto bytes = uu_decode_line(block[i]);
    EXPECT_TRUE(bytes.has_value()) << block[i];
    if (bytes) data.insert(data.end(), bytes->begin(), bytes->end());
  }
  EXPECT_EQ(block.back(), std::to_string(std::accumulate(data.begin(), data.end(), 0u)));
  return data;
}

TEST(ReadTransfer, SmallReadIsOneLineAndItsChecksum) {
  PartDriver driver;
  driver.synchronise();
  EXPECT_EQ(driver.command("R 1024 8"), lines({"R 1024 8", "0", "(__________\\`", "2040"}));
  EXPECT_EQ(driver.command("OK"), lines({"OK"}));
  EXPECT_EQ(driver.command("J"), lines({"J", "0", "913309739"}));
}

TEST(ReadTransfer, BlocksOfTwentyLinesWithResend) {
  std::vector<std::uint8_t> image(1000);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13);
  // The transfer, not the boot ROM's window, is under test: R shows the flash from 0.
  PartSettings settings;
  settings.read_sees_flash = true;
  PartDriver driver(settings, image);
  ASSERT_FALSE(driver.part().running_firmware());
  driver.synchronise();

  const auto first = split_lines(driver.command("R 0 1000"));
  ASSERT_EQ(first.size(), 2u + 20u + 1u);  // echo, code, 20 lines, checksum
  EXPECT_EQ(first[1], "0");
  const std::vector<std::string> block1(first.begin() + 2, first.end());

  const auto again = split_lines(driver.command("RESEND"));
  ASSERT_EQ(again.front(), "RESEND");
  EXPECT_EQ(std::vector<std::string>(again.begin() + 1, again.end()), block1);

  const auto second = split_lines(driver.command("OK"));
  ASSERT_EQ(second.size(), 1u + 3u + 1u);  // echo, 45 + 45 + 10 bytes, checksum
  std::vector<std::uint8_t> data = decode_block(block1);
  const auto tail = decode_block(std::vector<std::string>(second.begin() + 1, second.end()));
  data.insert(data.end(), tail.begin(), tail.end());
  EXPECT_EQ(data, image);

  EXPECT_EQ(driver.command("OK"), lines({"OK"}));
  EXPECT_EQ(driver.command("K"), lines({"K", "0", "5", "2"}));
}

TEST(ReadTransfer, ReadsRamAndACommandInsteadOfOkEndsTheTransfer) {
  PartDriver driver;
  driver.synchronise();
  driver.unlock();
  driver.write_ram(kRamBuffer, {1, 2, 3, 4});
  EXPECT_EQ(driver.command("R 268436224 4"), lines({"R 268436224 4", "0", "$`0(#!```", "10"}));
  EXPECT_EQ(driver.command("J"), lines({"J", "0", "913309739"}));
}

}  // namespace
}  // namespace isp_sim::testing
