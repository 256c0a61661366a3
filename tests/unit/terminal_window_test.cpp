#include "cli/terminal_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  return text;
}

// Each light the engine sets tells the terminal a state: done and failed
// become a line with the light's caption, idle says nothing.
TEST(TerminalWindowTest, LightStatesBecomeTheirWords) {
  struct Case {
    isp::LightState state;
    bool colour;
    const char* line;
  } cases[] = {
      {isp::LightState::Done, false, "Synchronize     ok\n"},
      {isp::LightState::Failed, false, "Synchronize     FAILED\n"},
      {isp::LightState::Idle, false, ""},
      {isp::LightState::Done, true, "Synchronize     \033[32mok\033[0m\n"},
      {isp::LightState::Failed, true, "Synchronize     \033[31mFAILED\033[0m\n"},
      {isp::LightState::Idle, true, ""},
  };
  for (const Case& c : cases) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    cli::ProgressDisplay display(out, false);
    cli::TerminalWindow window(display, false, {.colour = c.colour});
    window.SetLightState(isp::Light::SyncPanel, c.state);
    EXPECT_EQ(Contents(out), c.line) << static_cast<int>(c.state) << " colour " << c.colour;
    std::fclose(out);
  }
}

}  // namespace
