#pragma once

#include <string>

namespace cli {

struct ProgramOptions {
  std::string port;
  std::string file;
  bool start_isp = true;
};

// Exit status of a programming run.
inline constexpr int kExitComplete = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNotStarted = 2;  // file not loaded or port not opened

// One programming run from the terminal: the window's run, tick for tick.
int RunProgram(const ProgramOptions& options);

}  // namespace cli
