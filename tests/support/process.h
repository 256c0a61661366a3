#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// Runs a program to its end in the given working directory and collects
// its output; with interrupt_after_ms, it gets SIGINT that long after start.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd,
                         int interrupt_after_ms = -1);
// The same, but the program gets signal_number as soon as ready() holds
// (tested every 5 ms), for a signal at a known point of its run rather than
// after a guessed time.
ProcessResult RunProcessSignalledWhen(const std::vector<std::string>& argv, const std::string& cwd,
                                      int signal_number, std::function<bool()> ready);
// The same, but the program gets SIGINT as soon as its output holds the text.
ProcessResult RunProcessInterruptedOn(const std::vector<std::string>& argv, const std::string& cwd,
                                      const std::string& interrupt_on_output);

// The boot-loader simulator in a child process, on a pseudo-terminal whose
// path it prints on its first line.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& Path() const { return path_; }
  // Ends the simulator with SIGTERM (it writes its files) and waits for it.
  int Stop();
  void Signal(int number) const;
  // Waits for the simulator to end by itself (--once): its exit status, or
  // nothing when it still runs after the limit.
  std::optional<int> WaitExit(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string path_;
};

}  // namespace testing_support
