#include "comm/serial_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "comm/clock.h"
#ifdef __linux__
#include "comm/line_rate_linux.h"
#endif

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

OpenFailure FailureFor(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return OpenFailure::kNotFound;
    case EACCES:
    case EPERM:
      return OpenFailure::kPermission;
    case EBUSY:
    case EWOULDBLOCK:
      return OpenFailure::kBusy;
    case ENOTTY:
      return OpenFailure::kNotSerial;
    default:
      return OpenFailure::kOther;
  }
}

void Describe(OpenError& error, int code) {
  error.kind = FailureFor(code);
  error.system_code = code;
  error.text = std::strerror(code);
}

}  // namespace

PosixSerial::~PosixSerial() {
  if (fd_ >= 0) Close();
}

bool PosixSerial::Open(const char* device_path, OpenError& error) {
  error = OpenError{};
  const int fd = ::open(device_path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Describe(error, errno);
    return false;
  }
  if (!isatty(fd)) {
    Describe(error, ENOTTY);
    ::close(fd);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    Describe(error, errno == EWOULDBLOCK ? EBUSY : errno);
    ::close(fd);
    return false;
  }
  ioctl(fd, TIOCEXCL);
  fd_ = fd;
  hung_up_ = false;
  return true;
}

bool PosixSerial::Configure(int baud) {
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return false;
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
  return tcsetattr(fd_, TCSANOW, &tio) == 0 && speed != B0;
}

bool PosixSerial::SetModemLine(ModemLine line, bool on) {
  int bit = line == ModemLine::kDtr ? TIOCM_DTR : TIOCM_RTS;
  return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

int PosixSerial::Read(std::uint8_t* buffer, int count, int timeout_ms) {
  const std::uint32_t started = MonotonicMs();
  pollfd waiting{fd_, POLLIN, 0};
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
    const ssize_t got = ::read(fd_, buffer, static_cast<size_t>(count));
    if (got > 0) return static_cast<int>(got);
    if (got == 0 || errno == EIO) hung_up_ = true;
  }
  if (ready > 0 && (waiting.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) hung_up_ = true;
  if (ready != 0) SleepRest(started, timeout_ms);
  return 0;
}

int PosixSerial::Write(const std::uint8_t* bytes, int count, int ms_per_byte) {
  int written = 0;
  const std::uint32_t started = MonotonicMs();
  const auto limit = static_cast<std::uint32_t>(ms_per_byte) * static_cast<std::uint32_t>(count);
  while (written < count) {
    const ssize_t put = ::write(fd_, bytes + written, static_cast<size_t>(count - written));
    if (put > 0) {
      written += static_cast<int>(put);
      continue;
    }
    if (put < 0 && errno != EAGAIN && errno != EINTR) break;
    const std::uint32_t spent = MonotonicMs() - started;
    if (spent >= limit) break;
    pollfd waiting{fd_, POLLOUT, 0};
    poll(&waiting, 1, static_cast<int>(limit - spent));
  }
  return written;
}

void PosixSerial::Drain(int ms_per_byte) {
  // Like a synchronous write, the bytes leave before DTR drops: wait until
  // the driver's queue is empty, but no longer than writing them may take.
  int queued = 0;
  const std::uint32_t started = MonotonicMs();
  while (ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 &&
         MonotonicMs() - started < static_cast<std::uint32_t>(ms_per_byte * queued)) {
    SleepMs(1);
  }
  // Bytes still queued now would make close() wait for the driver. (Only
  // then: on a pseudo-terminal this would drop what the far end has not read.)
  if (queued > 0) tcflush(fd_, TCOFLUSH);
}

bool PosixSerial::SetBaud(int baud, int ms_per_byte) {
  if (fd_ < 0 || baud <= 0) return false;
  // The bytes already written (the command that asked for the new rate, say)
  // must leave at the old one: wait for the driver's queue to empty, bounded
  // like Drain, then for the last character to leave the transmitter.
  int queued = 0;
  const std::uint32_t started = MonotonicMs();
  while (ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 &&
         MonotonicMs() - started < static_cast<std::uint32_t>(ms_per_byte * queued)) {
    SleepMs(1);
  }
  if (queued == 0) tcdrain(fd_);
#ifdef __linux__
  return SetAnyLineRate(fd_, static_cast<unsigned>(baud));
#else
  const speed_t speed = SpeedFor(baud);
  termios tio{};
  if (speed == B0 || tcgetattr(fd_, &tio) != 0) return false;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  return tcsetattr(fd_, TCSANOW, &tio) == 0;
#endif
}

void PosixSerial::Close() {
  // The exclusive flag would outlive this descriptor while another one (a
  // modem daemon, a simulator's master) keeps the device open.
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace comm::posix

namespace comm {

std::unique_ptr<SerialBackend> MakeSystemSerialBackend() {
  return std::make_unique<posix::PosixSerial>();
}

}  // namespace comm
