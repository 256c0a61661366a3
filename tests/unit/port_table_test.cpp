#include <gtest/gtest.h>

#include "comm/port_table.h"

namespace {

#ifdef _WIN32
TEST(DevicePathTest, FourCharacterNamesStandOthersTakeThePrefix) {
  struct Case {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM1", "COM1"},          {"COM9", "COM9"},
      {"COM10", "\\\\.\\COM10"}, {"COM256", "\\\\.\\COM256"},
      {"CNCA0", "\\\\.\\CNCA0"},  // a virtual port driver's name
  };
  for (const Case& c : cases) EXPECT_EQ(comm::DevicePath(c.name), c.path) << c.name;
}
#else
TEST(DevicePathTest, PathsStandBareNamesLieBelowDev) {
  struct Case {
    const char* name;
    const char* path;
  } cases[] = {
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"/tmp/module", "/tmp/module"},
      {"ttyS0", "/dev/ttyS0"},
      {"COM1", "/dev/COM1"},  // the four-character rule is Windows's own
  };
  for (const Case& c : cases) EXPECT_EQ(comm::DevicePath(c.name), c.path) << c.name;
}
#endif

TEST(PortTableTest, LooksUpOnlyPositionsThatHoldAName) {
  comm::PortTable table;
  EXPECT_TRUE(table.Add("/dev/ttyS0"));
  EXPECT_TRUE(table.Add(std::string(199, 'n')));
  EXPECT_FALSE(table.Add(std::string(200, 'n')));  // too long for an entry
  EXPECT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.Lookup(0), "/dev/ttyS0");
  EXPECT_EQ(table.Lookup(1), std::string(199, 'n'));
  EXPECT_EQ(table.Lookup(-1), std::nullopt);
  EXPECT_EQ(table.Lookup(2), std::nullopt);
  table.Clear();
  EXPECT_EQ(table.Lookup(0), std::nullopt);
}

}  // namespace
