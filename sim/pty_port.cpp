#include "pty_port.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace isp_sim {
namespace {

[[noreturn]] void fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PtyPort::PtyPort() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) fail("posix_openpt");
  if (grantpt(master_) != 0) fail("grantpt");
  if (unlockpt(master_) != 0) fail("unlockpt");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) fail("ptsname_r");
  slave_path_ = name;
  keeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (keeper_ < 0) fail("open pty slave");
  make_raw();
}

void PtyPort::make_raw() {
  termios settings{};
  if (tcgetattr(keeper_, &settings) != 0) fail("tcgetattr");
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  if (tcsetattr(keeper_, TCSANOW, &settings) != 0) fail("tcsetattr");
}

PtyPort::ReadStatus PtyPort::read_available(std::string& into) {
  return read_some(into, std::string::npos);
}

PtyPort::ReadStatus PtyPort::read_some(std::string& into, std::size_t limit) {
  char buffer[4096];
  for (std::size_t taken = 0; taken < limit;) {
    const ssize_t count = ::read(master_, buffer, std::min(sizeof buffer, limit - taken));
    if (count > 0) {
      into.append(buffer, static_cast<std::size_t>(count));
      taken += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ReadStatus::kOk;
    return ReadStatus::kFailed;  // EOF or EIO: the line is gone
  }
  return ReadStatus::kOk;
}

std::size_t PtyPort::write_some(std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(master_, bytes.data() + written, bytes.size() - written);
    if (count > 0) {
      written += static_cast<std::size_t>(count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EAGAIN: the host's input queue is full
    }
  }
  return written;
}

std::size_t PtyPort::unread_by_host() const {
  int queued = 0;
  if (ioctl(keeper_, FIONREAD, &queued) != 0 || queued < 0) return 0;
  return static_cast<std::size_t>(queued);
}

std::size_t PtyPort::unread_from_host() const {
  int queued = 0;
  if (ioctl(master_, FIONREAD, &queued) != 0 || queued < 0) return 0;
  return static_cast<std::size_t>(queued);
}

void PtyPort::reset_line_after_close() {
  ioctl(keeper_, TIOCNXCL);
  tcflush(keeper_, TCIFLUSH);  // output the host will never read; its own input is taken already
  make_raw();
}

void PtyPort::close() {
  if (keeper_ >= 0) ::close(keeper_);
  if (master_ >= 0) ::close(master_);
  keeper_ = master_ = -1;
}

}  // namespace isp_sim
