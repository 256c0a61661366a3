#include <gtest/gtest.h>

#include <numeric>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

PartSettings as_part(const char* name) {
  PartSettings settings;
  settings.part = *find_part_by_name(name);
  return settings;
}

std::vector<std::uint8_t> pattern(std::size_t count) {
  std::vector<std::uint8_t> data(count);
  std::iota(data.begin(), data.end(), std::uint8_t{0x20});
  return data;
}

class EccLines : public ::testing::Test {
 protected:
  void start(const char* part, std::vector<std::uint8_t> flash = {}) {
    driver.emplace(as_part(part), std::move(flash));
    driver->synchronise();
    driver->unlock();
  }
  // Copies `count` bytes of the RAM buffer to `address` in sector 1 (0x1000..0x1FFF).
  void copy(std::uint32_t address, std::uint32_t count) {
    ASSERT_EQ(driver->command("P 1 1"), echoed_reply("P 1 1", 0));
    const std::string line = "C " + std::to_string(address) + " 268436224 " + std::to_string(count);
    ASSERT_EQ(driver->command(line), echoed_reply(line, 0));
  }
  std::vector<std::uint8_t> flash(std::uint32_t address, std::uint32_t count) {
    return driver->part().memory().read(address, count);
  }
  unsigned twice() { return driver->part().report().flash_lines_programmed_twice; }

  std::optional<PartDriver> driver;
};

TEST_F(EccLines, ALineProgrammedTwiceBeforeAnEraseReadsBackWrong) {
  start("LPC1227");
  const auto data = pattern(512);
  driver->write_ram(kRamBuffer, data);
  copy(4096, 256);
  EXPECT_EQ(flash(4096, 256), std::vector<std::uint8_t>(data.begin(), data.begin() + 256));
  EXPECT_EQ(twice(), 0u);

  copy(4096, 512);  // the first 16 lines again, the next 16 for the first time
  EXPECT_EQ(twice(), 16u);
  const auto again = flash(4096, 512);
  for (std::size_t line = 0; line < 32; ++line) {
    SCOPED_TRACE(line);
    const auto first = again.begin() + static_cast<std::ptrdiff_t>(line * 16);
    const std::vector<std::uint8_t> read(first, first + 16);
    const std::vector<std::uint8_t> meant(
        data.begin() + static_cast<std::ptrdiff_t>(line * 16),
        data.begin() + static_cast<std::ptrdiff_t>(line * 16 + 16));
    if (line < 16) {
      EXPECT_NE(read, meant);
    } else {
      EXPECT_EQ(read, meant);
    }
  }

  driver->command("P 1 1");
  ASSERT_EQ(driver->command("E 1 1"), echoed_reply("E 1 1", 0));
  copy(4096, 512);  // after the erase every line may be programmed once more
  EXPECT_EQ(flash(4096, 512), data);
  EXPECT_EQ(twice(), 16u);
}

TEST_F(EccLines, LinesThatCameProgrammedCountAsProgrammed) {
  std::vector<std::uint8_t> image(4096 + 32, 0xFF);
  image[4096 + 17] = 0x00;  // the second line of sector 1 holds data, the first does not
  start("LPC1115/303", image);
  driver->write_ram(kRamBuffer, pattern(256));
  copy(4096, 256);
  EXPECT_EQ(twice(), 1u);
  const auto data = pattern(256);
  EXPECT_EQ(flash(4096, 16), std::vector<std::uint8_t>(data.begin(), data.begin() + 16));
  EXPECT_NE(flash(4096 + 16, 16), std::vector<std::uint8_t>(data.begin() + 16, data.begin() + 32));
}

TEST_F(EccLines, FlashWithoutEccTakesOldAndNew) {
  start("LPC1768");
  driver->write_ram(kRamBuffer, std::vector<std::uint8_t>(256, 0xF0));
  copy(4096, 256);
  driver->write_ram(kRamBuffer, std::vector<std::uint8_t>(256, 0x3C));
  copy(4096, 256);
  EXPECT_EQ(flash(4096, 256), std::vector<std::uint8_t>(256, 0x30));
  EXPECT_EQ(twice(), 0u);
}

}  // namespace
}  // namespace isp_sim::testing
