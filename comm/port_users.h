#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace comm {

// A process that has a device open.
struct PortUser {
  pid_t pid = 0;
  std::string command;  // its command name, as /proc/PID/comm gives it
  bool operator==(const PortUser&) const = default;
};

// The other processes that hold the serial device at device_path open (a
// terminal program, a modem manager probing a new adapter), found through the
// descriptors in proc_root/PID/fd. Processes whose descriptors this user may
// not look at are not found. A process that also holds the master side of the
// same pseudo-terminal (a /dev/ptmx descriptor whose fdinfo shows the
// slave's "tty-index:") is the line's far end, such as a simulator, and is
// left out; so is this process itself. Empty when the device is no
// character device or nothing else holds it.
std::vector<PortUser> FindPortUsers(const std::string& device_path,
                                    const std::string& proc_root = "/proc");

}  // namespace comm
