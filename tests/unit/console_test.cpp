#include "cli/console.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(ConsoleTest, FileIsNoTerminal) {
  // Output redirected into a file gets plain lines: no bar, no escapes.
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(cli::IsTerminal(file));
  EXPECT_FALSE(cli::TakesEscapes(file));
  EXPECT_EQ(cli::TerminalColumns(file), 80);
  std::fclose(file);
}

}  // namespace
