#include "cli/console.h"
#include "cli/output_options.h"

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

namespace style {

struct StyleCase {
  bool escapes;
  const char* term;
  const char* no_color;
  bool redraw;
  bool colour;
};

TEST(ConsoleTest, TermAndNoColorDecideRedrawAndColour) {
  const StyleCase cases[] = {
      {true, "xterm-256color", nullptr, true, true},
      {true, nullptr, nullptr, true, true},
      {true, "xterm", "1", true, false},
      {true, "xterm", "", true, true},  // empty: not set
      {true, "dumb", nullptr, false, false},
      {false, "xterm", nullptr, false, false},  // a file or a pipe
  };
  for (const StyleCase& c : cases) {
    const cli::OutputStyle style = cli::StyleFor(c.escapes, c.term, c.no_color);
    EXPECT_EQ(style.redraw, c.redraw) << (c.term ? c.term : "(no TERM)");
    EXPECT_EQ(style.colour, c.colour) << (c.no_color ? c.no_color : "(no NO_COLOR)");
  }
}

}  // namespace style
}  // namespace
