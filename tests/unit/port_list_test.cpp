#include "cli/port_list.h"

#include <gtest/gtest.h>

#include <chrono>

#include "cli/module_run.h"
#include "cli/verdict_banner.h"
#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(PortLogNamesTest, EachPortGetsAFileNameOfItsOwn) {
  struct Case {
    std::vector<std::string> ports;
    std::vector<std::string> logs;
  };
  const std::vector<Case> cases = {
      {{"/dev/ttyUSB0", "/dev/ttyUSB1"}, {"commlog-ttyUSB0.txt", "commlog-ttyUSB1.txt"}},
      {{"/dev/pts/3"}, {"commlog-pts_3.txt"}},
      {{"COM5", "\\\\.\\COM12"}, {"commlog-COM5.txt", "commlog-COM12.txt"}},
      // Nothing of the name can climb out of the working directory.
      {{"../x", "/dev/serial/by-id/usb-FTDI:1"},
       {"commlog-_.._x.txt", "commlog-serial_by-id_usb-FTDI_1.txt"}},
      {{"/dev/pts/3", "/dev/pts_3", "pts/3"},
       {"commlog-pts_3.txt", "commlog-pts_3-2.txt", "commlog-pts_3-3.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ports.front());
    EXPECT_EQ(cli::PortLogNames(c.ports), c.logs);
  }
}

TEST(CheckPortListTest, RefusesWhatCannotRun) {
  struct Case {
    std::vector<std::string> ports;
    bool must_exist;
    std::string text;  // empty: accepted
    int status;
  };
  const std::vector<Case> cases = {
      {{}, true, "no port given", 64},
      {{"x-1", "x-2", "x-1"}, false, "the port x-1 is named twice", 64},
#ifndef _WIN32
      // COM ports are no files: there the open tells.
      {{"x-1", "x-2"}, true, "the port x-1 does not exist", 2},
#endif
      {{"x-1", "x-2"}, false, "", 0},
      // A name with a control character is shown escaped.
      {{"a\x1b[2K", "a\x1b[2K"}, false, "the port a\\x1B[2K is named twice", 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto refusal = cli::CheckPortList(c.ports, c.must_exist);
    if (c.text.empty()) {
      EXPECT_FALSE(refusal.has_value()) << refusal->text;
      continue;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, c.text);
    EXPECT_EQ(refusal->status, c.status);
  }
}

TEST(ReadPortsFileTest, OneNameALineWithoutCommentsAndBlanks) {
  const testing_support::ScopedTempDir dir;
  testing_support::WriteTextFile(
      dir.File("ports"), "# fixture A\r\n/dev/ttyUSB0\r\n\r\n   /dev/ttyUSB1  \n\t#x\nCOM5");
  std::string why;
  const auto ports = cli::ReadPortsFile(dir.File("ports"), why);
  ASSERT_TRUE(ports.has_value()) << why;
  EXPECT_EQ(*ports, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB1", "COM5"}));
  EXPECT_FALSE(cli::ReadPortsFile(dir.File("none"), why).has_value());
  EXPECT_EQ(why, "it does not exist");
}

TEST(UtcIsoTimeTest, SecondsSinceTheEpochInUtc) {
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1796946301));
  EXPECT_EQ(cli::UtcIsoTime(when), "2026-12-10T23:45:01Z");
}

TEST(VerdictTextTest, LargeOnATerminalOneLineOtherwise) {
  const cli::Verdict passed{true, "/dev/ttyUSB0", "0x00000001 0x00000002 0x00000003 0x00000004", "",
                            4300};
  EXPECT_EQ(cli::VerdictText(passed, false, false),
            "PASS  /dev/ttyUSB0  serial number 0x00000001 0x00000002 0x00000003 0x00000004  "
            "4.3 s\n");
  const cli::Verdict failed{false, "COM5", "", "Verify failed at 0x00001000", 900};
  EXPECT_EQ(cli::VerdictText(failed, false, false),
            "FAIL  COM5  serial number unknown  0.9 s\nVerify failed at 0x00001000\n");

  const std::string large = cli::VerdictText(passed, true, false);
  // Five lines of letters, then the facts.
  EXPECT_EQ(std::count(large.begin(), large.end(), '\n'), 8) << large;
  EXPECT_EQ(large.find("\033["), std::string::npos);
  EXPECT_NE(large.find("######  "), std::string::npos) << large;
  EXPECT_NE(large.find("\n/dev/ttyUSB0  serial number 0x00000001"), std::string::npos) << large;
  EXPECT_TRUE(cli::VerdictText(passed, true, true).starts_with("\n\033[1;32m"));
  EXPECT_TRUE(cli::VerdictText(failed, true, true).starts_with("\n\033[1;31m"));
  EXPECT_NE(cli::VerdictText(failed, true, false), large);
}

}  // namespace
