#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace isp_sim::testing {

// The isp-sim binary running as a child process, its first stdout line read.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // First stdout line: the pty slave path (empty if none came).
  const std::string& slave_path() const { return slave_path_; }
  void signal(int number) const;
  // Exit status once the process has exited, or nothing if it is still running after `limit`.
  std::optional<int> wait_exit(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  int stdout_fd_ = -1;
  std::string slave_path_;
};

// A scratch directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

}  // namespace isp_sim::testing
