// End-to-end runs that only the Windows command line has: COM port names,
// the "\\.\" device prefix, and port discovery on the live registry.
#include <string>
#include <vector>

#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;

TEST_F(E2eTest, PortAboveNineIsOpenedUnderTheDevicePrefix) {
  // COM12 is opened as "\\.\COM12"; the prefix maps it to the simulator too.
  StartSim();
  const ByteMap bytes = Pattern(0, 1000);
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  const auto result = Cli({"program", "--classic", "--no-start-isp", "--port",
                           WineSetting("TARVO_WINE_PORT_ABOVE_9"), "image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Complete.\n")) << result.out;
  EXPECT_TRUE(Flash() == testing_support::FlashAfterRun(bytes));
}

TEST_F(E2eTest, FileNamedByAPathFromTheRootIsNoOption) {
  // "/tmp/.../image.hex" is a file on the current drive, not the option "/tmp".
  StartSim();
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 300)));
  ASSERT_EQ(dir.File("image.hex").front(), '/');
  const auto result = Cli({"program", "--no-start-isp", "--port", Port(), dir.File("image.hex")});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Complete.\n")) << result.out;
  const auto report = Report();
  EXPECT_TRUE(report.at("user_code_valid").get<bool>()) << report.dump();
  EXPECT_TRUE(report.at("firmware_running").get<bool>()) << report.dump();
}

TEST_F(E2eTest, PortThatDoesNotExistIsNamedWithTheSystemsReason) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 16)));
  const std::string prefix = "Error: Unable to open serial port COM199: ";
  const std::string hint =
      " (no such port: is the adapter plugged in? \"tarvo-cli ports\" lists them)\n";
  const auto result = Cli({"program", "--port", "COM199", "image.hex"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_TRUE(result.err.starts_with(prefix)) << result.err;
  EXPECT_TRUE(result.err.ends_with(hint)) << result.err;
  EXPECT_GT(result.err.size(), prefix.size() + hint.size()) << "no reason given";
  EXPECT_EQ(result.out, "");
  const auto classic = Cli({"program", "--classic", "--port", "COM199", "image.hex"});
  EXPECT_EQ(classic.exit_status, 2);
  EXPECT_TRUE(classic.err.starts_with(prefix)) << classic.err;
  EXPECT_TRUE(classic.err.ends_with(hint)) << classic.err;
  EXPECT_EQ(classic.out, "Connect         FAILED\n");
  EXPECT_FALSE(FileExists("commlog.txt"));
}

// Devices in the registry's key tree, as Windows keeps them: a port with a
// friendly name, a printer port of the same class, a port found by its class
// identifier whose name stands in the device key itself, and a port that no
// device stands behind.
constexpr const char* kPortDevices = R"reg(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\PNP0400\1]
"Class"="Ports"
"FriendlyName"="Printer Port (LPT1)"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\PNP0400\1\Device Parameters]
"PortName"="LPT1"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\PNP0501\1]
"Class"="Ports"
"FriendlyName"="Communications Port (COM5)"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ACPI\PNP0501\1\Device Parameters]
"PortName"="COM5"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\FTDIBUS\VID_0403+PID_6001+A50285BI\0000]
"ClassGUID"="{4d36e978-e325-11ce-bfc1-08002be10318}"
"PortName"="COM12"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\FTDIBUS\VID_0403+PID_6015+DN01ABCD\0000]
"Class"="PORTS"
"FriendlyName"="USB Serial Port (COM7)"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\FTDIBUS\VID_0403+PID_6015+DN01ABCD\0000\Device Parameters]
"PortName"="COM7"
)reg";

class RegistryPortsTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    testing_support::WriteTextFile(dir.File("ports.reg"), kPortDevices);
    ASSERT_EQ(Reg({"import", "ports.reg"}).exit_status, 0);
  }
  void TearDown() override {
    for (const char* enumerator : {"ACPI", "FTDIBUS"})
      Reg({"delete", std::string("HKLM\\SYSTEM\\CurrentControlSet\\Enum\\") + enumerator, "/f"});
  }
  testing_support::ProcessResult Reg(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {WineSetting("TARVO_WINE_RUN"), "reg"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing_support::RunProcess(argv, dir.Path().string());
  }
};

TEST_F(RegistryPortsTest, ListsThePortsOfTheRegistryThatOpen) {
  const std::string listed_all =
      "COM5   Communications Port (COM5)   ACPI\n"
      "COM12   COM12   FTDIBUS\n"
      "COM7   USB Serial Port (COM7)   FTDIBUS\n";
  const auto all = Cli({"ports", "--all"});
  EXPECT_EQ(all.exit_status, 0) << all.err;
  EXPECT_EQ(all.out, listed_all);
  EXPECT_EQ(all.err, "");

  // With the simulator behind COM5 and COM12 both open; COM7 leads nowhere.
  // (Each probe hangs up, so this simulator lives past its first hang-up.)
  testing_support::SimProcess open_ports({ISP_SIM_PATH, "--link", WineSetting("TARVO_WINE_LINK")});
  const auto probed = Cli({"ports"});
  EXPECT_EQ(probed.exit_status, 0) << probed.err;
  EXPECT_EQ(probed.out,
            "COM5   Communications Port (COM5)   ACPI\n"
            "COM12   COM12   FTDIBUS\n");
  open_ports.Stop();

  // Once the simulator has gone, no port opens.
  const auto none = Cli({"ports"});
  EXPECT_EQ(none.exit_status, 0) << none.err;
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(Cli({"ports", "--all"}).out, listed_all);
}

}  // namespace
}  // namespace e2e
