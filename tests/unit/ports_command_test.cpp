#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

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

}  // namespace
