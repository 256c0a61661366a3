#include "slave_watch.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace isp_sim {

SlaveWatch::SlaveWatch(const std::string& slave_path) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify_init1");
  if (inotify_add_watch(fd_, slave_path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    const int error = errno;
    ::close(fd_);
    throw std::system_error(error, std::generic_category(), "inotify_add_watch " + slave_path);
  }
}

SlaveWatch::~SlaveWatch() {
  ::close(fd_);
}

SlaveWatch::Changes SlaveWatch::drain() {
  Changes changes;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return changes;
    for (ssize_t pos = 0; pos < count;) {
      inotify_event event;
      std::memcpy(&event, buffer + pos, sizeof event);
      if ((event.mask & IN_OPEN) != 0 && open_count_++ == 0) ++changes.sessions_started;
      if ((event.mask & IN_CLOSE) != 0 && open_count_ > 0 && --open_count_ == 0) {
        ++changes.sessions_ended;
      }
      pos += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
}

}  // namespace isp_sim
