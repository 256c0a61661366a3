// The command line of the window: presets for the two fields.
#include "app/launch_options.h"
#include "tests/app/window_fixture.h"

namespace app_test {
namespace {

TEST(LaunchOptionsTest, PortAndFilePresetsAreOptional) {
  EnsureApplication();
  const app::LaunchOptions both = app::ParseLaunchOptions(
      {"tarvo-loader", "--port", "/dev/pts/4", "--file", "samples/blinky.hex"});
  EXPECT_EQ(both.port, "/dev/pts/4");
  EXPECT_EQ(both.file, "samples/blinky.hex");
  const app::LaunchOptions none = app::ParseLaunchOptions({"tarvo-loader"});
  EXPECT_FALSE(none.port.has_value());
  EXPECT_FALSE(none.file.has_value());
}

}  // namespace
}  // namespace app_test
