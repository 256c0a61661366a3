#include "comm/registry_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "comm/port_list_entry.h"
#include "comm/port_table.h"
#include "tests/unit/found_port.h"
#include "tests/unit/in_memory_registry.h"

namespace {

using namespace comm::registry;
using testing_support::InMemoryRegistry;

constexpr char kNtEnum[] = "System\\CurrentControlSet\\Enum";
constexpr char kSerialComm[] = "Hardware\\DeviceMap\\SerialComm";
constexpr char kPortsGuid[] = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
constexpr char kModemGuid[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";

using testing_support::FoundPort;

using Values = std::vector<std::pair<std::string, std::string>>;

// A device instance key with its text values.
void AddInstance(InMemoryRegistry& registry, const std::string& path, const Values& values) {
  registry.AddKey(path);
  for (const auto& [name, text] : values) registry.SetText(path, name, text);
}

// A serial port of the ports class as Windows 2000 and later record it, with
// its port name under "Device Parameters".
void AddNtPort(InMemoryRegistry& registry, const std::string& instance, const std::string& port,
               const std::string& friendly) {
  const std::string path = std::string(kNtEnum) + "\\" + instance;
  AddInstance(registry, path, {{"Class", "Ports"}, {"ClassGUID", kPortsGuid}});
  if (!friendly.empty()) registry.SetText(path, "FriendlyName", friendly);
  registry.SetText(path + "\\Device Parameters", "PortName", port);
}

void Windows2000(InMemoryRegistry& registry) {
  registry.SetVersion(kPlatformWin32Nt, 5);
  registry.AddKey(kNtEnum);
}

void Windows98(InMemoryRegistry& registry) {
  registry.SetVersion(kPlatformWin32Windows, 4);
  AddInstance(
      registry, "Enum\\BIOS\\*PNP0501\\0D",
      {{"Class", "Ports"}, {"PortName", "COM1"}, {"FriendlyName", "Communications Port (COM1)"}});
  AddInstance(registry, "Enum\\BIOS\\*PNP0400\\0E",
              {{"Class", "Ports"}, {"PortName", "LPT1"}, {"FriendlyName", "Printer Port (LPT1)"}});
  AddInstance(registry, "Enum\\PCI\\VEN_5333&DEV_8811\\00", {{"Class", "Display"}});
  AddInstance(registry, "Enum\\BIOS\\*PNP0501\\0F", {{"Class", "Ports"}, {"PortName", "COM2"}});
  AddInstance(registry, "Enum\\PCMCIA\\SERIAL_CARD\\0000",
              {{"Class", "Ports"}, {"PortName", "COM4"}, {"FriendlyName", "PC Card Serial Port"}});
}

void WindowsNt4(InMemoryRegistry& registry) {
  registry.SetVersion(kPlatformWin32Nt, 4);
  registry.SetText(kSerialComm, "\\Device\\Serial0", "COM1");
  registry.SetText(kSerialComm, "\\Device\\Serial1", "COM2");
  // NT 4 keeps a device tree too; its walk does not look there.
  AddNtPort(registry, "Root\\Ports\\0000", "COM9", "Not on NT 4");
}

// An Enum tree whose keys above the instances grant no more than
// enumeration: the walk asks them for nothing else.
void Windows10(InMemoryRegistry& registry) {
  Windows2000(registry);
  registry.SetVersion(kPlatformWin32Nt, 10);
  AddNtPort(registry, "ACPI\\PNP0501\\1", "COM1", "Communications Port (COM1)");
  AddInstance(registry, std::string(kNtEnum) + "\\ACPI\\PNP0401\\1",
              {{"Class", "Ports"}, {"PortName", "LPT1"}});
  AddInstance(registry, std::string(kNtEnum) + "\\FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
              {{"ClassGUID", "{4d36e978-e325-11ce-bfc1-08002be10318}"},
               {"FriendlyName", "USB Serial Port (COM7)"}});
  registry.SetText(
      std::string(kNtEnum) + "\\FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000\\Device Parameters",
      "PortName", "COM7");
  for (const char* key : {"", "\\ACPI", "\\ACPI\\PNP0501", "\\ACPI\\PNP0401", "\\FTDIBUS",
                          "\\FTDIBUS\\VID_0403+PID_6001+A50285BIA"}) {
    registry.LimitAccess(std::string(kNtEnum) + key, kKeyEnumerateSubKeys);
  }
}

// What AddNtPorts adds, as it is found.
std::vector<FoundPort> NtPorts(int count) {
  std::vector<FoundPort> ports;
  for (int i = 1; i <= count; ++i) {
    const std::string name = "COM" + std::to_string(i);
    ports.push_back({name, name, "ACPI"});
  }
  return ports;
}

// count ports COM1, COM2, ... without friendly names, one instance each.
void AddNtPorts(InMemoryRegistry& registry, int count) {
  for (int i = 1; i <= count; ++i) {
    AddNtPort(registry, "ACPI\\PNP0501\\" + std::to_string(i), "COM" + std::to_string(i), "");
  }
}

struct Machine {
  const char* name;
  std::function<void(InMemoryRegistry&)> build;
  int result;
  ErrorCode error;  // the last error when result is 0
  std::vector<FoundPort> ports;
  int stop_at_call = 0;  // the callback returns 0 on this call (from 1); 0: never
};

void PrintTo(const Machine& machine, std::ostream* out) {
  *out << machine.name;
}

std::string MachineName(const ::testing::TestParamInfo<Machine>& param) {
  return param.param.name;
}

const std::string kLongEnumerator(150, 'E');
const std::string kLongDevice(300, 'D');
const std::string kLongInstance(200, 'I');
const std::string kLongPortName = "COM" + std::string(200, '9');
const std::string kLongFriendlyName(300, 'F');
const std::string kLongValueName = "\\Device\\" + std::string(100, 'S');
const std::string kLongValueData = "COM" + std::string(60, '1');
const std::string kDataFillingTheFirstBuffer = "COM" + std::string(29, '2');

const Machine kMachines[] = {
    {"Windows98",
     Windows98,
     1,
     kErrorSuccess,
     {{"COM1", "Communications Port (COM1)", "BIOS"},
      {"COM2", "COM2", "BIOS"},
      {"COM4", "PC Card Serial Port", "PCMCIA"}}},
    {"WindowsNt4", WindowsNt4, 1, kErrorSuccess, {{"COM1", "COM1", ""}, {"COM2", "COM2", ""}}},
    {"WindowsNt4WithoutSerialComm",
     [](InMemoryRegistry& r) {
       r.SetVersion(kPlatformWin32Nt, 4);
       r.AddKey("Hardware\\DeviceMap");
     },
     1,
     kErrorSuccess,
     {}},
    {"WindowsNt4SerialCommRefused",
     [](InMemoryRegistry& r) {
       WindowsNt4(r);
       r.LimitAccess(kSerialComm, 0);
     },
     0,
     kErrorAccessDenied,
     {}},
    {"WindowsNt4LongValueNamesAndData",
     [](InMemoryRegistry& r) {
       r.SetVersion(kPlatformWin32Nt, 4);
       r.SetText(kSerialComm, kLongValueName, kLongValueData);
       r.SetText(kSerialComm, "\\Device\\Serial0", "COM1");
     },
     1,
     kErrorSuccess,
     {{kLongValueData, kLongValueData, ""}, {"COM1", "COM1", ""}}},
    {"WindowsNt4DataStoredWithoutNul",
     [](InMemoryRegistry& r) {
       r.SetVersion(kPlatformWin32Nt, 4);
       r.SetBytes(kSerialComm, "\\Device\\Serial0", "COM1");
       r.SetBytes(kSerialComm, "\\Device\\Serial1", kDataFillingTheFirstBuffer);
     },
     1,
     kErrorSuccess,
     {{"COM1", "COM1", ""}, {kDataFillingTheFirstBuffer, kDataFillingTheFirstBuffer, ""}}},
    {"Windows10",
     Windows10,
     1,
     kErrorSuccess,
     {{"COM1", "Communications Port (COM1)", "ACPI"},
      {"COM7", "USB Serial Port (COM7)", "FTDIBUS"}}},
    {"Windows10WithoutEnumKey",
     [](InMemoryRegistry& r) {
       r.SetVersion(kPlatformWin32Nt, 10);
       r.AddKey("System\\CurrentControlSet\\Control");
     },
     0,
     kErrorFileNotFound,
     {}},
    {"WindowsNt351",
     [](InMemoryRegistry& r) {
       WindowsNt4(r);
       r.SetVersion(kPlatformWin32Nt, 3);
     },
     0,
     kErrorOldWinVersion,
     {}},
    {"WindowsCe",
     [](InMemoryRegistry& r) {
       Windows10(r);
       r.SetVersion(3, 10);
     },
     0,
     kErrorOldWinVersion,
     {}},
    {"VersionNotReported",  // GetVersionExA failed: the record stays zero-filled
     [](InMemoryRegistry& r) {
       Windows10(r);
       r.SetVersion(0, 0);
     },
     0,
     kErrorOldWinVersion,
     {}},
    {"PrinterPortLeftOut",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddInstance(
           r, std::string(kNtEnum) + "\\ACPI\\PNP0401\\1",
           {{"Class", "Ports"}, {"PortName", "LPT1"}, {"FriendlyName", "Printer Port (LPT1)"}});
     },
     1,
     kErrorSuccess,
     {}},
    {"PortNameInTheInstanceKeyItself",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddInstance(r, std::string(kNtEnum) + "\\ACPI\\PNP0501\\1",
                   {{"Class", "Ports"}, {"PortName", "COM2"}});
       // Only a name in the instance key itself counts while there is one.
       r.SetText(std::string(kNtEnum) + "\\ACPI\\PNP0501\\1\\Device Parameters", "PortName",
                 "COM8");
     },
     1,
     kErrorSuccess,
     {{"COM2", "COM2", "ACPI"}}},
    {"PortNameNowhereIsSkipped",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddInstance(r, std::string(kNtEnum) + "\\ACPI\\PNP0501\\1", {{"Class", "Ports"}});
       r.SetText(std::string(kNtEnum) + "\\ACPI\\PNP0501\\1\\Device Parameters", "Other", "x");
       AddInstance(r, std::string(kNtEnum) + "\\ACPI\\PNP0501\\2", {{"Class", "Ports"}});
       AddNtPort(r, "ACPI\\PNP0501\\3", "COM3", "");
     },
     1,
     kErrorSuccess,
     {{"COM3", "COM3", "ACPI"}}},
    {"ClassTooLongForItsBufferButPortsGuid",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddInstance(r, std::string(kNtEnum) + "\\MPS\\CARD\\0",
                   {{"Class", "MultiPortSerial"}, {"ClassGUID", kPortsGuid}, {"PortName", "COM5"}});
       AddInstance(r, std::string(kNtEnum) + "\\MPS\\CARD\\1",
                   {{"Class", "Ports2"}, {"PortName", "COM6"}});
       AddInstance(r, std::string(kNtEnum) + "\\MPS\\CARD\\2",
                   {{"Class", "Modem"}, {"ClassGUID", kModemGuid}, {"PortName", "COM7"}});
       AddInstance(r, std::string(kNtEnum) + "\\MPS\\CARD\\3",
                   {{"ClassGUID", std::string(kPortsGuid) + "x"}, {"PortName", "COM8"}});
     },
     1,
     kErrorSuccess,
     {{"COM5", "COM5", "MPS"}}},
    {"MixedCase",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddInstance(r, std::string(kNtEnum) + "\\ACPI\\PNP0501\\1",
                   {{"class", "pOrTs"}, {"portname", "com3"}});
       AddInstance(r, std::string(kNtEnum) + "\\ACPI\\PNP0501\\2",
                   {{"CLASSGUID", "{4d36E978-e325-11Ce-bFc1-08002bE10318}"},
                    {"PORTNAME", "Com4"},
                    {"friendlyname", "Port Four"}});
     },
     1,
     kErrorSuccess,
     {{"com3", "com3", "ACPI"}, {"Com4", "Port Four", "ACPI"}}},
    {"NamesLongerThanTheFirstBuffers",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       const std::string path = std::string(kNtEnum) + "\\" + kLongEnumerator + "\\" + kLongDevice +
                                "\\" + kLongInstance;
       AddInstance(
           r, path,
           {{"Class", "Ports"}, {"PortName", kLongPortName}, {"FriendlyName", kLongFriendlyName}});
       AddNtPort(r, kLongEnumerator + "\\" + kLongDevice + "\\short", "COM1", "");
     },
     1,
     kErrorSuccess,
     {{kLongPortName, kLongFriendlyName, kLongEnumerator}, {"COM1", "COM1", kLongEnumerator}}},
    {"TextsStoredWithoutTheirNul",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       const std::string path = std::string(kNtEnum) + "\\ACPI\\PNP0501\\1";
       r.SetBytes(path, "Class", "Ports");
       r.SetBytes(path, "PortName", "COM1");
       r.SetBytes(path, "FriendlyName", std::string(128, 'F'));  // fills the first buffer exactly
     },
     1,
     kErrorSuccess,
     {{"COM1", std::string(128, 'F'), "ACPI"}}},
    {"EightyOnePortsAllHandedOn",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddNtPorts(r, 81);
     },
     1, kErrorSuccess, NtPorts(81)},
    {"CallbackStopsTheKeyTreeWalk",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddNtPorts(r, 4);
     },
     1, kErrorSuccess, NtPorts(2), 2},
    {"CallbackStopsTheValueWalk", WindowsNt4, 1, kErrorSuccess, {{"COM1", "COM1", ""}}, 1},
    {"InstanceKeyRefusedMidWalk",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddNtPorts(r, 3);
       r.LimitAccess(std::string(kNtEnum) + "\\ACPI\\PNP0501\\2", kKeyEnumerateSubKeys);
     },
     0, kErrorAccessDenied, NtPorts(1)},
    {"PortNameUnreadable",
     [](InMemoryRegistry& r) {
       Windows2000(r);
       AddNtPorts(r, 3);
       r.FailValue(std::string(kNtEnum) + "\\ACPI\\PNP0501\\3\\Device Parameters", "PortName",
                   kErrorAccessDenied);
     },
     0, kErrorAccessDenied, NtPorts(2)},
};

class RegistryWalkTest : public ::testing::TestWithParam<Machine> {
 protected:
  // Runs discovery; the callback copies what it is handed.
  int Discover(const comm::PortCallback& callback) {
    return EnumRegistrySerialPorts(registry, callback, 42);
  }
  comm::PortCallback Collect(int stop_at_call = 0) {
    return [this, stop_at_call](int user_value, const comm::PortInfo& port) {
      EXPECT_EQ(user_value, 42);
      found.push_back({port.PortName, port.FriendlyName, port.EnumeratorName});
      return static_cast<int>(found.size()) == stop_at_call ? 0 : 1;
    };
  }
  void ExpectEverythingGivenBack() const {
    EXPECT_EQ(registry.OpenKeys(), 0);
    EXPECT_EQ(registry.LiveBuffers(), 0);
    EXPECT_EQ(registry.Misuses(), 0);
  }

  InMemoryRegistry registry;
  std::vector<FoundPort> found;
};

TEST_P(RegistryWalkTest, FindsThePortsOfTheMachine) {
  const Machine& machine = GetParam();
  machine.build(registry);
  registry.SetLastError(0xDEAD);

  EXPECT_EQ(Discover(Collect(machine.stop_at_call)), machine.result);
  EXPECT_EQ(found, machine.ports);
  if (machine.result == 0) {
    EXPECT_EQ(registry.GetLastError(), machine.error);
  }
  ExpectEverythingGivenBack();
}

INSTANTIATE_TEST_SUITE_P(Machines, RegistryWalkTest, ::testing::ValuesIn(kMachines), MachineName);

std::vector<Machine> MachinesWithPorts() {
  std::vector<Machine> machines;
  std::copy_if(std::begin(kMachines), std::end(kMachines), std::back_inserter(machines),
               [](const Machine& m) { return m.result == 1 && !m.ports.empty(); });
  return machines;
}

class RegistryOutOfMemoryTest : public ::testing::TestWithParam<Machine> {};

// Every allocation in turn fails: the walk ends with ERROR_NOT_ENOUGH_MEMORY
// after handing on a leading part of the ports, and gives everything back.
TEST_P(RegistryOutOfMemoryTest, AtAnyAllocation) {
  const Machine& machine = GetParam();
  int failing = 0;
  for (;; ++failing) {
    InMemoryRegistry starved;
    machine.build(starved);
    starved.FailAllocationsFrom(failing);
    std::vector<FoundPort> delivered;
    const int result = EnumRegistrySerialPorts(
        starved,
        [&](int, const comm::PortInfo& port) {
          delivered.push_back({port.PortName, port.FriendlyName, port.EnumeratorName});
          return static_cast<int>(delivered.size()) == machine.stop_at_call ? 0 : 1;
        },
        0);
    EXPECT_EQ(starved.OpenKeys(), 0) << "failing allocation " << failing;
    EXPECT_EQ(starved.LiveBuffers(), 0) << "failing allocation " << failing;
    EXPECT_EQ(starved.Misuses(), 0) << "failing allocation " << failing;
    if (result == 1) {
      EXPECT_EQ(delivered, machine.ports);
      break;
    }
    EXPECT_EQ(starved.GetLastError(), kErrorNotEnoughMemory) << "failing allocation " << failing;
    ASSERT_LE(delivered.size(), machine.ports.size());
    EXPECT_TRUE(std::equal(delivered.begin(), delivered.end(), machine.ports.begin()));
  }
  EXPECT_GT(failing, 0);
}

INSTANTIATE_TEST_SUITE_P(Machines, RegistryOutOfMemoryTest,
                         ::testing::ValuesIn(MachinesWithPorts()), MachineName);

TEST(RegistryWalkCallbackTest, MissingCallbackIsAnInvalidParameter) {
  InMemoryRegistry registry;
  Windows10(registry);
  EXPECT_EQ(EnumRegistrySerialPorts(registry, comm::PortCallback{}, 0), 0);
  EXPECT_EQ(registry.GetLastError(), kErrorInvalidParameter);
  EXPECT_EQ(registry.Allocations(), 0);
  EXPECT_EQ(registry.OpenKeys(), 0);
}

// Discovery hands on every port; it is the port table that holds 80.
TEST(RegistryWalkIntoPortTableTest, EightyFirstPortIsLeftOutOfTheTable) {
  InMemoryRegistry registry;
  Windows2000(registry);
  AddNtPorts(registry, 81);
  comm::PortTable table;
  std::vector<std::string> listed;
  const auto add_port = [&](int, const comm::PortInfo& port) {
    const auto entry = comm::PortListEntry(port);
    if (entry && table.Add(port.PortName)) listed.push_back(*entry);
    return 1;
  };
  EXPECT_EQ(EnumRegistrySerialPorts(registry, add_port, 0), 1);
  EXPECT_EQ(table.Count(), 80u);
  ASSERT_EQ(listed.size(), 80u);
  EXPECT_EQ(listed[79], "COM80   COM80   ACPI");
  EXPECT_EQ(table.Lookup(79), "COM80");
  EXPECT_EQ(table.Lookup(80), std::nullopt);
}

// The sizes the buffers take as they grow, in call order.
using Sizes = std::vector<std::uint32_t>;

TEST(RegistryBufferGrowthTest, SubkeyNameBufferDoublesFromWhatTheCallLeftPlusTwo) {
  InMemoryRegistry registry;
  Windows2000(registry);
  registry.AddKey(std::string(kNtEnum) + "\\" + std::string(300, 'E'));
  EXPECT_EQ(EnumRegistrySerialPorts(
                registry, [](int, const comm::PortInfo&) { return 1; }, 0),
            1);
  EXPECT_EQ(registry.KeyNameSizesOffered(), Sizes({128, 258, 518, 128, 128}));
}

TEST(RegistryBufferGrowthTest, TextBuffersGrowToTheSizeNeededAndAreKeptFromDeviceToDevice) {
  InMemoryRegistry registry;
  Windows2000(registry);
  for (const char* instance : {"1", "2"}) {
    AddInstance(
        registry, std::string(kNtEnum) + "\\ACPI\\PNP0501\\" + instance,
        {{"Class", "Ports"}, {"PortName", "COM1"}, {"FriendlyName", std::string(299, 'F')}});
  }
  EXPECT_EQ(EnumRegistrySerialPorts(
                registry, [](int, const comm::PortInfo&) { return 1; }, 0),
            1);
  // Per device: CLASS, PORTNAME, FRIENDLYNAME (grown to its 300 bytes once).
  EXPECT_EQ(registry.DataSizesOffered(), Sizes({6, 128, 128, 300, 6, 128, 300}));
}

TEST(RegistryBufferGrowthTest, ValueWalkStartsEachValueAt32AndGrowsBothBuffers) {
  InMemoryRegistry registry;
  registry.SetVersion(kPlatformWin32Nt, 4);
  registry.SetText(kSerialComm, std::string(100, 'S'), std::string(49, 'C'));
  registry.SetText(kSerialComm, "\\Device\\Serial1", "COM2");
  EXPECT_EQ(EnumRegistrySerialPorts(
                registry, [](int, const comm::PortInfo&) { return 1; }, 0),
            1);
  EXPECT_EQ(registry.ValueNameSizesOffered(), Sizes({32, 66, 134, 32, 32}));
  EXPECT_EQ(registry.DataSizesOffered(), Sizes({32, 50, 50, 32, 32}));
}

}  // namespace
