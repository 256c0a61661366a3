#include "comm/port_list_entry.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

struct EntryCase {
  std::string port;
  std::string friendly;
  std::string enumerator;
  std::optional<std::string> entry;
};

// Names the case in test listings by the lengths that matter.
void PrintTo(const EntryCase& c, std::ostream* os) {
  *os << c.port.size() << "-char name, "
      << (c.port.size() + c.friendly.size() + c.enumerator.size() + 6) << "-char entry";
}

class PortListEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(PortListEntryTest, ThreeSpacesBetweenTheNames) {
  const EntryCase& c = GetParam();
  const comm::PortInfo port{c.port.c_str(), c.friendly.c_str(), c.enumerator.c_str()};
  EXPECT_EQ(comm::PortListEntry(port), c.entry);
}

const std::string kName199(199, 'N');
const std::string kFriendlyFilling1023(1023 - 4 - 6, 'F');  // "COM1", the spaces, no enumerator

INSTANTIATE_TEST_SUITE_P(
    Entries, PortListEntryTest,
    ::testing::Values(EntryCase{"COM1", "COM1", "", "COM1   COM1   "},
                      EntryCase{"COM7", "USB Serial Port (COM7)", "FTDIBUS",
                                "COM7   USB Serial Port (COM7)   FTDIBUS"},
                      EntryCase{"/dev/ttyUSB0", "FTDI FT232R USB UART (A50285BI)", "usb",
                                "/dev/ttyUSB0   FTDI FT232R USB UART (A50285BI)   usb"},
                      // The longest port name the table holds, and one character more.
                      EntryCase{kName199, "x", "y", kName199 + "   x   y"},
                      EntryCase{kName199 + "N", "x", "y", std::nullopt},
                      // The longest entry the list holds, and one character more.
                      EntryCase{"COM1", kFriendlyFilling1023, "",
                                "COM1   " + kFriendlyFilling1023 + "   "},
                      EntryCase{"COM1", kFriendlyFilling1023, "A", std::nullopt}));

}  // namespace
