#include <gtest/gtest.h>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

constexpr std::uint32_t kCrp1 = 0x12345678;
constexpr std::uint32_t kCrp2 = 0x87654321;
constexpr std::uint32_t kCrp3 = 0x43218765;
constexpr std::uint32_t kNoIsp = 0x4E697370;

// Flash whose word at 0x2FC is `crp`; with valid user code in front when asked.
std::vector<std::uint8_t> image_with(std::uint32_t crp, bool valid_code = false) {
  std::vector<std::uint8_t> image(0x300, 0xFF);
  if (valid_code) {
    const auto vectors = valid_user_code_image();
    std::copy(vectors.begin(), vectors.end(), image.begin());
  }
  for (std::size_t byte = 0; byte < 4; ++byte) {
    image[0x2FC + byte] = static_cast<std::uint8_t>(crp >> (8 * byte));
  }
  return image;
}

PartSettings as_part(const char* name, bool isp_pin_low = false) {
  PartSettings settings;
  settings.part = *find_part_by_name(name);
  settings.isp_pin_low = isp_pin_low;
  return settings;
}

struct CodeCase {
  const char* line;
  int code;
};

void expect_codes(PartDriver& driver, std::initializer_list<CodeCase> cases) {
  for (const CodeCase& test : cases) {
    SCOPED_TRACE(test.line);
    const std::string reply = driver.command(test.line);
    const std::string expected = echoed_reply(test.line, test.code);
    EXPECT_EQ(reply.substr(0, expected.size()), expected);
    if (test.line[0] == 'R' && test.code == 0) driver.command("OK");  // end the data phase
  }
}

// The part synchronised and unlocked.
PartDriver& ready(PartDriver& driver) {
  driver.synchronise();
  driver.unlock();
  return driver;
}

TEST(CodeReadProtection, Crp1Refusals) {
  PartDriver driver(as_part("LPC1768"), image_with(kCrp1));
  ready(driver);
  EXPECT_EQ(driver.part().report().code_read_protection, "CRP1");
  expect_codes(driver, {
                           {"R 0 4", 19},
                           {"R 268435968 4", 19},
                           {"M 0 268435968 4", 19},
                           {"W 268435968 4", 19},  // 0x10000200: below 0x10000300
                           {"W 268436220 8", 19},
                           {"J", 0},
                           {"K", 0},
                           {"I 1 1", 0},
                           {"P 0 3", 0},
                           {"C 0 268436224 256", 19},  // sector 0
                           {"E 0 0", 19},              // sector 0 only with all of them
                           {"E 0 28", 19},
                           {"C 4096 268436224 256", 0},
                           {"P 1 3", 0},
                           {"E 1 3", 0},
                       });
  driver.write_ram(kRamBuffer, {1, 2, 3, 4});  // from 0x10000300 on, W works
  const auto& refused = driver.part().report().refused_commands;
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(refused.front().command, "R 0 4");
  EXPECT_EQ(refused.front().code, 19);
}

TEST(CodeReadProtection, Crp2Refusals) {
  PartDriver driver(as_part("LPC1227"), image_with(kCrp2));
  ready(driver);
  EXPECT_EQ(driver.part().report().code_read_protection, "CRP2");
  expect_codes(driver, {
                           {"R 0 4", 19},
                           {"M 0 268436224 4", 19},
                           {"W 268436224 4", 19},
                           {"G 268436224 T", 19},
                           {"P 0 31", 0},
                           {"C 4096 268436224 256", 19},
                           {"E 1 1", 19},  // only all sectors at once
                           {"E 0 30", 19},
                           {"I 0 0", 8},
                           {"J", 0},
                           {"E 0 31", 0},
                       });
}

TEST(CodeReadProtection, Crp3ReachedThroughTheFirmwareIsAsStrictAsCrp2) {
  PartDriver driver(as_part("LPC1227"), image_with(kCrp3, true));
  ASSERT_TRUE(driver.part().running_firmware());
  ASSERT_EQ(driver.send("!\r"), "!");
  ready(driver);
  expect_codes(driver, {{"R 0 4", 19}, {"W 268436224 4", 19}, {"E 1 1", 19}});
  EXPECT_EQ(driver.part().report().code_read_protection, "CRP3");
}

TEST(CodeReadProtection, FullEraseLiftsItAtTheNextReset) {
  {
    SCOPED_TRACE("CRP1: the restart routine resets the part");
    PartDriver driver(as_part("LPC1227"), image_with(kCrp1));
    ready(driver);
    driver.command("P 0 31");
    ASSERT_EQ(driver.command("E 0 31"), echoed_reply("E 0 31", 0));
    expect_codes(driver, {{"R 0 4", 19}});  // the level holds until the reset
    driver.write_ram(kRamBuffer, kRestartRoutine);
    ASSERT_EQ(driver.command("G 268436224 T"), echoed_reply("G 268436224 T", 0));
    EXPECT_EQ(driver.part().report().code_read_protection, "none");
    ready(driver);
    expect_codes(driver, {{"R 0 4", 0}, {"M 0 268436224 4", 10}, {"P 0 0", 0}, {"E 0 0", 0}});
  }
  {
    SCOPED_TRACE("CRP2: G is refused, the reset pin resets the part");
    PartDriver driver(as_part("LPC1227"), image_with(kCrp2));
    ready(driver);
    driver.command("P 0 31");
    ASSERT_EQ(driver.command("E 0 31"), echoed_reply("E 0 31", 0));
    expect_codes(driver, {{"W 268436224 4", 19}});
    driver.part().press_reset();
    EXPECT_EQ(driver.part().report().code_read_protection, "none");
    ready(driver);
    expect_codes(driver, {{"R 0 4", 0}, {"W 268436224 4", 0}});
  }
}

TEST(CodeReadProtection, LevelFromTheWordAt0x2FC) {
  const struct {
    std::uint32_t word;
    const char* level;
  } cases[] = {{kCrp1, "CRP1"},      {kCrp2, "CRP2"},      {kCrp3, "CRP3"},     {kNoIsp, "NO_ISP"},
               {0xFFFFFFFF, "none"}, {0x12345679, "none"}, {0x00000000, "none"}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.level);
    PartDriver driver({}, image_with(test.word));
    EXPECT_EQ(driver.part().report().code_read_protection, test.level);
    EXPECT_EQ(to_json(driver.part().report())["code_read_protection"], test.level);
  }
}

TEST(CodeReadProtection, Crp3AndNoIspIgnoreTheIspPinWhenUserCodeIsValid) {
  const struct {
    const char* name;
    std::uint32_t word;
    bool valid_code;
    bool firmware_runs;
  } cases[] = {
      {"no protection", 0xFFFFFFFF, true, false},
      {"CRP1", kCrp1, true, false},
      {"CRP2", kCrp2, true, false},
      {"CRP3", kCrp3, true, true},
      {"NO_ISP", kNoIsp, true, true},
      {"CRP3 without valid code", kCrp3, false, false},
      {"NO_ISP without valid code", kNoIsp, false, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    PartDriver driver(as_part("LPC1227", true), image_with(test.word, test.valid_code));
    EXPECT_EQ(driver.part().running_firmware(), test.firmware_runs);
    EXPECT_EQ(driver.send("?"), test.firmware_runs ? "" : "Synchronized\r\n");
  }
  // The firmware's own request still enters the boot loader, as an IAP call would.
  PartDriver driver(as_part("LPC1227", true), image_with(kNoIsp, true));
  EXPECT_EQ(driver.send("!\r"), "!");
  ready(driver);
  expect_codes(driver, {{"R 0 4", 0}});  // NO_ISP itself refuses nothing
  driver.part().press_reset();
  EXPECT_TRUE(driver.part().running_firmware());
}

TEST(CodeReadProtection, WithoutTheIspPinValidCodeAlwaysStarts) {
  PartDriver driver(as_part("LPC1227"), image_with(0xFFFFFFFF, true));
  EXPECT_TRUE(driver.part().running_firmware());
}

}  // namespace
}  // namespace isp_sim::testing
