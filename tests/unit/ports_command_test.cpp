#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <set>

#include "cli/ports_command.h"
#include "comm/sysfs_ports.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/fake_sysfs.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// "<port>   <friendly name>   <enumerator>": a device node, a name that is
// not empty, and a bus name that may be.
bool IsEntryLine(const std::string& line) {
  const std::size_t first_gap = line.find("   ");
  const std::size_t last_gap = line.rfind("   ");
  return line.rfind("/dev/", 0) == 0 && first_gap != std::string::npos &&
         line.find(' ') == first_gap && last_gap > first_gap + 3 &&
         line.find(' ', last_gap + 3) == std::string::npos;
}

// The machine may have no serial port at all, so only the form of the list
// is checked. Only --all runs here: the probe would raise and drop DTR on
// whatever hardware is attached (it is tested on pseudo-terminals instead).
TEST(PortsCommandTest, ListsEachPortFoundAsOneEntryLine) {
  testing_support::ScopedTempDir dir;
  const auto all = testing_support::RunProcess({TARVO_CLI_PATH, "ports", "--all"}, dir.Path());
  EXPECT_EQ(all.exit_status, 0);
  EXPECT_EQ(all.err, "");
  for (const std::string& line : Lines(all.out)) EXPECT_TRUE(IsEntryLine(line)) << line;
}

// A machine with a USB adapter (ttyUSB0), a second one whose device tells
// no product id (ttyUSB1), and a UART on the board (ttyS0); of them the
// user can open ttyUSB0 and ttyS0.
class PortsListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::FakeSysfs sysfs(dir.Path() / "sys");
    sysfs.AddDevice("pci0000:00/usb1", "usb", {{"idVendor", "1d6b"}, {"idProduct", "0002"}});
    const auto adapter = [&sysfs](const std::string& port, const std::string& tty,
                                  const testing_support::FakeSysfs::Attributes& strings) {
      const std::string device = "pci0000:00/usb1/" + port;
      sysfs.AddDevice(device, "usb", strings);
      sysfs.AddDevice(device + "/" + port + ":1.0", "usb", {});
      sysfs.AddDevice(device + "/" + port + ":1.0/" + tty, "usb-serial", {});
      sysfs.AddTty(tty, device + "/" + port + ":1.0/" + tty);
    };
    adapter("1-2", "ttyUSB0",
            {{"idVendor", "0403"},
             {"idProduct", "6001"},
             {"manufacturer", "FTDI"},
             {"product", "FT232R USB UART"},
             {"serial", "A50285BI"}});
    adapter("1-3", "ttyUSB1", {{"idVendor", "10c4"}});
    sysfs.AddDevice("pnp0/00:01", "pnp", {});
    sysfs.AddTty("ttyS0", "pnp0/00:01");
    sysfs.AddTty("tty1", "");
    root = sysfs.Root().string();
  }

  std::string List(const cli::PortsOptions& options, int* status = nullptr) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    char* err_buffer = nullptr;
    std::size_t err_size = 0;
    std::FILE* err = open_memstream(&err_buffer, &err_size);
    const int result = cli::ListPorts(
        options,
        [this](const comm::PortCallback& callback) {
          return comm::EnumSysfsSerialPorts(root, callback, 0);
        },
        [this](const std::string& port) { return openable.contains(port); }, out, err);
    std::fclose(out);
    std::fclose(err);
    std::string text(buffer, size);
    std::free(buffer);
    said = std::string(err_buffer, err_size);
    std::free(err_buffer);
    if (status != nullptr) *status = result;
    return text;
  }

  testing_support::ScopedTempDir dir;
  std::string root;
  std::set<std::string> openable = {"/dev/ttyUSB0", "/dev/ttyS0"};
  std::string said;  // on standard error
};

TEST_F(PortsListTest, ListsWhatTheUserCanOpenUnlessAllAreAskedFor) {
  int status = -1;
  EXPECT_EQ(List({}, &status),
            "/dev/ttyS0   /dev/ttyS0   pnp\n"
            "/dev/ttyUSB0   FTDI FT232R USB UART (A50285BI)   usb   0403:6001\n");
  EXPECT_EQ(status, cli::kExitPortsListed);
  EXPECT_EQ(List({.all = true}),
            "/dev/ttyS0   /dev/ttyS0   pnp\n"
            "/dev/ttyUSB0   FTDI FT232R USB UART (A50285BI)   usb   0403:6001\n"
            "/dev/ttyUSB1   /dev/ttyUSB1   usb\n");
}

// Ports that exist but that this user cannot open are not passed over in
// silence: the list is empty, the warning says why they are missing.
TEST_F(PortsListTest, PortsThatNoneCanOpenAreToldOf) {
  EXPECT_EQ(List({}),
            "/dev/ttyS0   /dev/ttyS0   pnp\n"
            "/dev/ttyUSB0   FTDI FT232R USB UART (A50285BI)   usb   0403:6001\n");
  EXPECT_EQ(said, "");
  openable.clear();
  int status = -1;
  EXPECT_EQ(List({}, &status), "");
  EXPECT_EQ(status, cli::kExitPortsListed);
  EXPECT_TRUE(said.starts_with("Warning: 3 serial ports were found, but none opens for this user"))
      << said;
  EXPECT_TRUE(said.ends_with("; \"tarvo-cli ports --all\" lists them\n")) << said;
  EXPECT_EQ(List({.json = true}), "");
  EXPECT_NE(said, "");
  EXPECT_EQ(Lines(List({.all = true})).size(), 3u);
  EXPECT_EQ(said, "");
}

TEST_F(PortsListTest, JsonGivesOneObjectPerPortWithTheUsbIdentity) {
  std::vector<nlohmann::json> ports;
  for (const std::string& line : Lines(List({.all = true, .json = true})))
    ports.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0], (nlohmann::json{{"port", "/dev/ttyS0"},
                                      {"name", "/dev/ttyS0"},
                                      {"bus", "pnp"},
                                      {"usb", ""},
                                      {"serial", ""}}));
  EXPECT_EQ(ports[1], (nlohmann::json{{"port", "/dev/ttyUSB0"},
                                      {"name", "FTDI FT232R USB UART (A50285BI)"},
                                      {"bus", "usb"},
                                      {"usb", "0403:6001"},
                                      {"serial", "A50285BI"}}));
  // Without idProduct there is no vendor:product to give.
  EXPECT_EQ(ports[2].at("usb"), "");
  EXPECT_EQ(Lines(List({.json = true})).size(), 2u);
}

TEST_F(PortsListTest, FailedDiscoveryIsExitStatusOne) {
  root = (dir.Path() / "no-sysfs").string();
  int status = -1;
  EXPECT_EQ(List({}, &status), "");
  EXPECT_EQ(status, cli::kExitDiscoveryFailed);
}

}  // namespace
