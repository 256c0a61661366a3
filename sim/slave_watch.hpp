#pragma once

#include <string>

namespace isp_sim {

// Follows the host's opens and closes of the pty slave through inotify, so that the simulator
// learns of a hang-up without polling the master in its hang-up state.
class SlaveWatch {
 public:
  explicit SlaveWatch(const std::string& slave_path);  // throws std::system_error
  ~SlaveWatch();
  SlaveWatch(const SlaveWatch&) = delete;
  SlaveWatch& operator=(const SlaveWatch&) = delete;

  struct Changes {
    unsigned sessions_started = 0;  // open count went up from zero
    unsigned sessions_ended = 0;    // open count fell to zero: a hang-up
  };

  int fd() const { return fd_; }
  // Reads all pending events.
  Changes drain();
  bool host_present() const { return open_count_ > 0; }

 private:
  int fd_ = -1;
  unsigned open_count_ = 0;
};

}  // namespace isp_sim
