#include "host_port.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace isp_sim::testing {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

HostPort::HostPort(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
  if (::ioctl(fd_, TIOCEXCL) != 0 || ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close();
    throw std::system_error(error, std::generic_category(), "exclusive use of " + path);
  }
  termios settings{};
  ::tcgetattr(fd_, &settings);
  ::cfmakeraw(&settings);
  ::cfsetspeed(&settings, B115200);
  ::tcsetattr(fd_, TCSANOW, &settings);
  ::tcflush(fd_, TCIOFLUSH);
}

void HostPort::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd_, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "write");
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

std::string HostPort::read(std::size_t count, std::chrono::milliseconds limit) {
  std::string data;
  const auto deadline = Clock::now() + limit;
  while (data.size() < count) {
    pollfd fd{fd_, POLLIN, 0};
    if (::poll(&fd, 1, remaining_ms(deadline)) <= 0) break;
    char buffer[4096];
    const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, count - data.size()));
    if (got <= 0) {
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      break;
    }
    data.append(buffer, static_cast<std::size_t>(got));
  }
  return data;
}

std::string HostPort::read_for(std::chrono::milliseconds window) {
  return read(std::string::npos, window);
}

bool HostPort::hung_up(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    pollfd fd{fd_, POLLIN, 0};
    const int ready = ::poll(&fd, 1, remaining_ms(deadline));
    if (ready <= 0) return false;
    if ((fd.revents & (POLLHUP | POLLERR)) != 0) return true;
    char buffer[256];
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got == 0 || (got < 0 && errno == EIO)) return true;
  }
}

void HostPort::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace isp_sim::testing
