#include "cli/port_argument.h"

#include <gtest/gtest.h>

namespace {

TEST(PortArgumentTest, NamesTheDeviceToOpen) {
  struct Case {
    const char* argument;
    const char* path;
  } cases[] = {
#ifdef _WIN32
      {"COM5", "COM5"},
      {"com3", "com3"},
      {"COM12", "\\\\.\\COM12"},
      {"\\\\.\\COM12", "\\\\.\\COM12"},  // already a device path
      {"\\\\.\\COM3", "\\\\.\\COM3"},
#else
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"/tmp/isp-sim-link", "/tmp/isp-sim-link"},
      {"./module", "./module"},  // a path as it is typed, relative ones too
      {"COM5", "COM5"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(cli::PortArgumentPath(c.argument), c.path) << c.argument;
}

}  // namespace
