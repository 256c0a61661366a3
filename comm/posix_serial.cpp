#include "comm/posix_serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "comm/clock.h"

namespace comm::posix {
namespace {

speed_t SpeedFor(int baud) {
  switch (baud) {
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return B0;
  }
}

// Waits out what is left of a read time-out, so that a hung-up line costs
// the same as a quiet one instead of returning at once.
void SleepRest(std::uint32_t started, int timeout_ms) {
  const std::uint32_t spent = MonotonicMs() - started;
  const auto limit = static_cast<std::uint32_t>(timeout_ms);
  if (spent < limit) SleepMs(limit - spent);
}

}  // namespace

int OpenExclusive(const char* path) {
  const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  ioctl(fd, TIOCEXCL);
  return fd;
}

bool ConfigureLine(int fd, int baud) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  // Raw bytes both ways; IXON/IXOFF and CRTSCTS are left as they were.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  const speed_t speed = SpeedFor(baud);
  if (speed != B0) {
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
  }
  return tcsetattr(fd, TCSANOW, &tio) == 0 && speed != B0;
}

bool SetControlLine(int fd, int line, bool on) {
  return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

int ReadTimed(int fd, std::uint8_t* buffer, int count, int timeout_ms) {
  const std::uint32_t started = MonotonicMs();
  pollfd waiting{fd, POLLIN, 0};
  int ready = 0;
  int left_ms = timeout_ms;
  for (;;) {
    ready = poll(&waiting, 1, left_ms);
    if (ready >= 0 || errno != EINTR) break;
    // A signal must not stretch the read: wait only for what is left.
    const std::uint32_t spent = MonotonicMs() - started;
    left_ms =
        spent < static_cast<std::uint32_t>(timeout_ms) ? timeout_ms - static_cast<int>(spent) : 0;
  }
  if (ready > 0 && (waiting.revents & POLLIN) != 0) {
    const ssize_t got = ::read(fd, buffer, static_cast<size_t>(count));
    if (got > 0) return static_cast<int>(got);
  }
  if (ready != 0) SleepRest(started, timeout_ms);
  return 0;
}

int WriteTimed(int fd, const std::uint8_t* bytes, int count, int ms_per_byte) {
  int written = 0;
  const std::uint32_t started = MonotonicMs();
  const auto limit = static_cast<std::uint32_t>(ms_per_byte) * static_cast<std::uint32_t>(count);
  while (written < count) {
    const ssize_t put = ::write(fd, bytes + written, static_cast<size_t>(count - written));
    if (put > 0) {
      written += static_cast<int>(put);
      continue;
    }
    if (put < 0 && errno != EAGAIN && errno != EINTR) break;
    const std::uint32_t spent = MonotonicMs() - started;
    if (spent >= limit) break;
    pollfd waiting{fd, POLLOUT, 0};
    poll(&waiting, 1, static_cast<int>(limit - spent));
  }
  return written;
}

void Close(int fd, int ms_per_byte) {
  // Like a synchronous write, the bytes leave before DTR drops: wait until
  // the driver's queue is empty, but no longer than writing them may take.
  int queued = 0;
  const std::uint32_t started = MonotonicMs();
  while (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 &&
         MonotonicMs() - started < static_cast<std::uint32_t>(ms_per_byte * queued)) {
    SleepMs(1);
  }
  // Bytes still queued now would make close() wait for the driver. (Only
  // then: on a pseudo-terminal this would drop what the far end has not read.)
  if (queued > 0) tcflush(fd, TCOFLUSH);
  SetControlLine(fd, TIOCM_DTR, false);
  // The exclusive flag would outlive this descriptor while another one (a
  // modem daemon, a simulator's master) keeps the device open.
  ioctl(fd, TIOCNXCL);
  ::close(fd);
}

}  // namespace comm::posix
