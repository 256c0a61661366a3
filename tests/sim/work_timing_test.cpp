#include <gtest/gtest.h>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

using std::chrono::milliseconds;

PartSettings timed(const char* part_name, std::optional<milliseconds> erase_ms = std::nullopt) {
  PartSettings settings;
  settings.part = *find_part_by_name(part_name);
  settings.real_work_times = true;
  settings.faults.erase_time = erase_ms;
  return settings;
}

// A synchronised, unlocked part with a block of data at the start of the W window.
void ready(PartDriver& driver) {
  driver.synchronise();
  driver.unlock();
  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(4096, 0x42));
}

struct WorkCase {
  const char* part;
  const char* prepare;
  const char* command;
  milliseconds time;
  std::optional<milliseconds> erase_ms = std::nullopt;
};

TEST(WorkTimes, TheAnswerComesWhenTheFlashIsDone) {
  const WorkCase cases[] = {
      {"LPC1227", "P 0 0", "E 0 0", milliseconds(100)},
      {"LPC1227", "P 0 31", "E 0 31", milliseconds(3200)},
      {"LPC1768", "P 16 16", "E 16 16", milliseconds(800)},
      {"LPC1768", "P 0 17", "E 0 17", milliseconds(16 * 100 + 2 * 800)},
      {"LPC1227", "P 0 31", "E 0 31", milliseconds(250), milliseconds(250)},  // --erase-ms
      {"LPC1227", "P 1 1", "C 4096 268436224 256", milliseconds(1)},
      {"LPC1227", "P 1 1", "C 4096 268436224 4096", milliseconds(16)},
      {"LPC1768", "P 16 16", "C 65536 268436224 1024", milliseconds(4)},
  };
  for (const WorkCase& test : cases) {
    SCOPED_TRACE(std::string(test.part) + " " + test.command);
    PartDriver driver(timed(test.part, test.erase_ms));
    ready(driver);
    driver.command(test.prepare);
    EXPECT_EQ(driver.command(test.command), std::string(test.command) + "\r\n");
    EXPECT_EQ(driver.wait(test.time - milliseconds(1)), "");
    EXPECT_EQ(driver.wait(milliseconds(1)), "0\r\n");
  }
}

TEST(WorkTimes, NothingIsTakenInWhileTheFlashWorks) {
  PartDriver driver(timed("LPC1227"));
  ready(driver);
  driver.command("P 0 1");
  EXPECT_EQ(driver.send("E 0 1\r\nJ\r\n"), "E 0 1\r\n");
  EXPECT_EQ(driver.waiting(), 4u);  // the LF after the CR, and "J\r\n", wait on the line
  EXPECT_EQ(driver.wait(milliseconds(199)), "");
  EXPECT_EQ(driver.send("K\r\n"), "");
  EXPECT_EQ(driver.wait(milliseconds(1)), lines({"0", "J", "0", "913309739", "K", "0", "5", "2"}));
  EXPECT_EQ(driver.waiting(), 0u);
}

TEST(WorkTimes, WithoutRealTimesEverythingIsInstant) {
  PartSettings settings;
  settings.part = *find_part_by_name("LPC1768");
  PartDriver driver(settings);
  ready(driver);
  driver.command("P 0 29");
  EXPECT_EQ(driver.command("E 0 29"), echoed_reply("E 0 29", 0));
  driver.command("P 0 0");
  EXPECT_EQ(driver.command("C 0 268436224 4096"), echoed_reply("C 0 268436224 4096", 0));
}

}  // namespace
}  // namespace isp_sim::testing
