#include <gtest/gtest.h>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

struct CodeCase {
  const char* line;
  int code;
};

// Commands answered with a bare return code, checked against a part in a given state.
void expect_codes(PartDriver& driver, std::initializer_list<CodeCase> cases) {
  for (const CodeCase& test : cases) {
    SCOPED_TRACE(test.line);
    EXPECT_EQ(driver.command(test.line), echoed_reply(test.line, test.code));
  }
}

// A part with 64 KiB of flash in 16 sectors and 8 KiB of RAM.
PartSettings part_with_64k_flash() {
  PartSettings settings;
  settings.part = *find_part_by_name("LPC1115/303");
  return settings;
}

TEST(CommandCodes, BadCommandsAndParameters) {
  PartDriver driver;
  driver.synchronise();
  expect_codes(driver, {
                           {"X", 1},
                           {"j", 1},
                           {"JJ", 1},
                           {"J 5", 12},
                           {"K 1", 12},
                           {"U", 12},
                           {"U abc", 12},
                           {"U 23130 1", 12},
                           {"U -1", 12},
                           {"U 1234", 16},
                           {"A 2", 12},
                           {"P 0", 12},
                           {"P 0 x", 12},
                           {"P 0 99999999999", 12},
                           {"B 9600 1", 0},
                           {"B 1234 1", 17},
                           {"B 230400 2", 0},
                           // Only the user manuals' rates, 9600 to 230400.
                           {"B 4800 1", 17},
                           {"B 460800 1", 17},
                           {"B 9600 3", 18},
                       });
}

TEST(CommandCodes, LockedUntilUnlocked) {
  PartDriver driver;
  driver.synchronise();
  expect_codes(driver, {
                           {"W 268436224 4", 15},
                           {"E 0 0", 15},
                           {"C 0 268436224 256", 15},
                           {"G 268436224 T", 15},
                           {"P 0 0", 0},  // prepare, blank check and read need no unlock
                           {"I 0 15", 0},
                           {"M 0 0 4", 0},
                       });
  driver.unlock();
  expect_codes(driver, {{"E 0 0", 0}});
}

TEST(CommandCodes, SectorRanges) {
  PartDriver driver(part_with_64k_flash());
  driver.synchronise();
  driver.unlock();
  expect_codes(driver, {
                           {"P 0 16", 7},
                           {"P 3 2", 7},
                           {"I 16 16", 7},
                           {"E 5 4", 7},
                           {"E 0 0", 9},  // never prepared
                           {"P 0 1", 0},
                           {"E 0 2", 9},  // sector 2 not prepared
                           {"E 0 1", 0},
                           {"P 15 15", 0},
                       });
}

TEST(CommandCodes, WriteToRamAddressesAndCounts) {
  PartDriver driver;
  driver.synchronise();
  driver.unlock();
  expect_codes(driver, {
                           {"W 268436225 4", 3},  // not word aligned
                           {"W 268436224 6", 6},  // count not a multiple of 4
                           {"W 268436224 0", 6},
                           {"W 268435456 4", 5},  // 0x10000000: the ROM's own variables
                           {"W 268436220 8", 5},  // starts just below 0x10000300
                           {"W 268443392 4", 5},  // 0x10001F00: the ROM's stack
                           {"W 268443388 8", 5},  // runs into the stack
                           {"W 0 4", 5},          // flash is not RAM
                       });
}

TEST(CommandCodes, ReadCopyCompareAndGoChecks) {
  PartDriver driver(part_with_64k_flash());
  driver.synchronise();
  driver.unlock();
  expect_codes(driver, {
                           {"R 1 4", 2},
                           {"R 0 3", 6},
                           {"R 65536 4", 4},
                           {"R 268443644 8", 4},  // past the end of RAM
                           {"R 536870912 4", 4},
                           {"C 1 268436224 256", 3},
                           {"C 0 268436226 256", 2},
                           {"C 0 268436224 100", 6},
                           {"C 0 268436224 2048", 6},
                           {"C 65280 268436224 512", 5},  // crosses the end of flash
                           {"C 0 268443392 512", 4},      // crosses the end of RAM
                           {"C 0 268436224 256", 9},      // sector 0 not prepared
                           {"M 1 0 4", 3},
                           {"M 0 1 4", 2},
                           {"M 0 0 3", 6},
                           {"M 65536 0 4", 5},
                           {"M 0 65536 4", 4},
                           {"G 268436224 X", 12},
                           {"G 268436224", 12},
                           {"G 536870912 T", 14},
                           {"G 268436225 T", 13},
                           {"G 0 T", 13},  // below 0x200: the boot ROM's vectors
                           {"G 510 T", 13},
                       });
}

TEST(CommandCodes, RefusalsAreReported) {
  PartDriver driver;
  driver.synchronise();
  driver.command("E 0 0");
  driver.command("Q");
  driver.command("J");
  const auto& refused = driver.part().report().refused_commands;
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0].command, "E 0 0");
  EXPECT_EQ(refused[0].code, 15);
  EXPECT_EQ(refused[1].command, "Q");
  EXPECT_EQ(refused[1].code, 1);
}

}  // namespace
}  // namespace isp_sim::testing
