#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace isp_sim::testing {

// The host's side of the pty for the end-to-end tests: the slave opened raw, exclusively
// (TIOCEXCL and flock), as the host tool opens a serial port.
class HostPort {
 public:
  explicit HostPort(const std::string& path);  // throws std::system_error
  ~HostPort() { close(); }
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  void write(std::string_view bytes);
  // Reads until `count` bytes have come or `limit` has passed; returns what came.
  std::string read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Whatever arrives within `window`.
  std::string read_for(std::chrono::milliseconds window);
  // True when the simulator hangs up (EOF, EIO or POLLHUP) within `limit`.
  bool hung_up(std::chrono::milliseconds limit);
  void close();

 private:
  int fd_ = -1;
};

}  // namespace isp_sim::testing
