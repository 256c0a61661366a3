#include "comm/sysfs_ports.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/unit/fake_sysfs.h"
#include "tests/unit/found_port.h"

namespace {

using testing_support::FakeSysfs;
using testing_support::FoundPort;

// An xHCI controller on PCI with its root hub, which has strings of its own.
constexpr char kRootHub[] = "pci0000:00/0000:00:14.0/usb1";

void AddRootHub(FakeSysfs& sysfs) {
  sysfs.AddDevice("pci0000:00/0000:00:14.0", "pci", {{"vendor", "0x8086"}});
  sysfs.AddDevice(kRootHub, "usb",
                  {{"idVendor", "1d6b"},
                   {"manufacturer", "Linux 6.1.0-13-amd64 xhci-hcd"},
                   {"product", "xHCI Host Controller"},
                   {"serial", "0000:00:14.0"}});
}

// A USB serial adapter on port 2 of the root hub: the USB device with its
// strings, its interface, and the usb-serial port that carries ttyUSB<n>.
void AddUsbSerialAdapter(FakeSysfs& sysfs, const std::string& usb_port, const std::string& tty,
                         const FakeSysfs::Attributes& strings) {
  AddRootHub(sysfs);
  FakeSysfs::Attributes device = strings;
  device["idVendor"] = "0403";
  const std::string usb_device = std::string(kRootHub) + "/" + usb_port;
  const std::string interface = usb_device + "/" + usb_port + ":1.0";
  sysfs.AddDevice(usb_device, "usb", device);
  sysfs.AddDevice(interface, "usb", {{"bInterfaceClass", "ff"}});
  sysfs.AddDevice(interface + "/" + tty, "usb-serial", {{"port_number", "0"}});
  sysfs.AddTty(tty, interface + "/" + tty);
}

void AddPnpPort(FakeSysfs& sysfs, const std::string& tty, const std::string& pnp_device) {
  sysfs.AddDevice("pnp0/" + pnp_device, "pnp", {{"id", "PNP0501"}});
  sysfs.AddTty(tty, "pnp0/" + pnp_device);
}

void AddVirtualTerminals(FakeSysfs& sysfs) {
  for (const char* name : {"tty", "tty0", "tty1", "tty63", "console", "ptmx"}) {
    sysfs.AddTty(name, "");
  }
}

struct SysfsMachine {
  const char* name;
  std::function<void(FakeSysfs&)> build;
  std::vector<FoundPort> ports;
};

void PrintTo(const SysfsMachine& machine, std::ostream* out) {
  *out << machine.name;
}

const SysfsMachine kSysfsMachines[] = {
    {"UsbAdapterWithStrings",
     [](FakeSysfs& s) {
       AddUsbSerialAdapter(
           s, "1-2", "ttyUSB0",
           {{"manufacturer", "FTDI"}, {"product", "FT232R USB UART"}, {"serial", "A50285BI"}});
     },
     {{"/dev/ttyUSB0", "FTDI FT232R USB UART (A50285BI)", "usb"}}},
    {"UsbAdapterWithoutSerialNumber",
     [](FakeSysfs& s) {
       AddUsbSerialAdapter(
           s, "1-4", "ttyUSB0",
           {{"manufacturer", "Prolific Technology Inc. "}, {"product", "USB-Serial Controller"}});
     },
     {{"/dev/ttyUSB0", "Prolific Technology Inc. USB-Serial Controller", "usb"}}},
    // The root hub above it has strings, but they are not the adapter's.
    {"UsbAdapterWithoutStrings",
     [](FakeSysfs& s) { AddUsbSerialAdapter(s, "1-1", "ttyUSB3", {}); },
     {{"/dev/ttyUSB3", "/dev/ttyUSB3", "usb"}}},
    {"CdcAcmDevice",
     [](FakeSysfs& s) {
       AddRootHub(s);
       const std::string device = std::string(kRootHub) + "/1-3";
       s.AddDevice(device, "usb",
                   {{"idVendor", "2341"},
                    {"manufacturer", "Arduino (www.arduino.cc)"},
                    {"product", "0043"},
                    {"serial", "85736323838351F0D0A1"}});
       s.AddDevice(device + "/1-3:1.0", "usb", {{"bInterfaceClass", "02"}});
       s.AddTty("ttyACM0", device + "/1-3:1.0");
     },
     {{"/dev/ttyACM0", "Arduino (www.arduino.cc) 0043 (85736323838351F0D0A1)", "usb"}}},
    // The serial core's port and controller devices sit between the tty and
    // the platform device.
    {"Platform8250Port",
     [](FakeSysfs& s) {
       s.AddDevice("platform/serial8250", "platform");
       s.AddDevice("platform/serial8250/serial8250:0", "serial-base");
       s.AddDevice("platform/serial8250/serial8250:0/serial8250:0.1", "serial-base");
       s.AddTty("ttyS1", "platform/serial8250/serial8250:0/serial8250:0.1");
     },
     {{"/dev/ttyS1", "/dev/ttyS1", "platform"}}},
    {"PnpPort",
     [](FakeSysfs& s) { AddPnpPort(s, "ttyS0", "00:05"); },
     {{"/dev/ttyS0", "/dev/ttyS0", "pnp"}}},
    {"PciCard",
     [](FakeSysfs& s) {
       s.AddDevice("pci0000:00/0000:00:1c.0", "pci");
       s.AddDevice("pci0000:00/0000:00:1c.0/0000:02:00.0", "pci", {{"vendor", "0x9710"}});
       s.AddTty("ttyS4", "pci0000:00/0000:00:1c.0/0000:02:00.0");
     },
     {{"/dev/ttyS4", "/dev/ttyS4", "pci"}}},
    {"OnlyVirtualTerminals", [](FakeSysfs&) {}, {}},
    {"NaturalOrderOfNames",
     [](FakeSysfs& s) {
       AddPnpPort(s, "ttyS10", "00:07");
       AddPnpPort(s, "ttyS2", "00:06");
       AddPnpPort(s, "ttyS1", "00:05");
       AddUsbSerialAdapter(s, "1-2", "ttyUSB1", {});
       AddUsbSerialAdapter(s, "1-3", "ttyUSB0", {});
     },
     {{"/dev/ttyS1", "/dev/ttyS1", "pnp"},
      {"/dev/ttyS2", "/dev/ttyS2", "pnp"},
      {"/dev/ttyS10", "/dev/ttyS10", "pnp"},
      {"/dev/ttyUSB0", "/dev/ttyUSB0", "usb"},
      {"/dev/ttyUSB1", "/dev/ttyUSB1", "usb"}}},
};

std::string MachineName(const ::testing::TestParamInfo<SysfsMachine>& param) {
  return param.param.name;
}

class SysfsPortsTest : public ::testing::Test {
 protected:
  int Discover(int stop_at_call = 0) {
    return comm::EnumSysfsSerialPorts(
        sysfs.Root().string(),
        [this, stop_at_call](int user_value, const comm::PortInfo& port) {
          EXPECT_EQ(user_value, 7);
          found.push_back({port.PortName, port.FriendlyName, port.EnumeratorName});
          return static_cast<int>(found.size()) == stop_at_call ? 0 : 1;
        },
        7);
  }

  testing_support::ScopedTempDir dir;
  FakeSysfs sysfs{dir.Path() / "sys"};
  std::vector<FoundPort> found;
};

class SysfsMachineTest : public SysfsPortsTest,
                         public ::testing::WithParamInterface<SysfsMachine> {};

// Every machine also has the entries without a device: virtual consoles,
// the console and the pseudo-terminal master.
TEST_P(SysfsMachineTest, FindsThePortsWithADevice) {
  GetParam().build(sysfs);
  AddVirtualTerminals(sysfs);
  EXPECT_EQ(Discover(), 1);
  EXPECT_EQ(found, GetParam().ports);
}

INSTANTIATE_TEST_SUITE_P(Machines, SysfsMachineTest, ::testing::ValuesIn(kSysfsMachines),
                         MachineName);

TEST_F(SysfsPortsTest, CallbackStopsTheWalk) {
  AddPnpPort(sysfs, "ttyS0", "00:04");
  AddPnpPort(sysfs, "ttyS1", "00:05");
  AddPnpPort(sysfs, "ttyS2", "00:06");
  EXPECT_EQ(Discover(2), 1);
  EXPECT_EQ(found.size(), 2u);
}

TEST_F(SysfsPortsTest, NoTtyClassIsAFailure) {
  sysfs.AddDevice("pnp0/00:05", "pnp");
  EXPECT_EQ(Discover(), 0);
  EXPECT_EQ(comm::LastSysfsDiscoveryError(), ENOENT);
  EXPECT_TRUE(found.empty());
}

TEST_F(SysfsPortsTest, MissingCallbackIsAnInvalidArgument) {
  AddPnpPort(sysfs, "ttyS0", "00:05");
  EXPECT_EQ(comm::EnumSysfsSerialPorts(sysfs.Root().string(), comm::PortCallback{}, 0), 0);
  EXPECT_EQ(comm::LastSysfsDiscoveryError(), EINVAL);
}

}  // namespace
