#include "comm/line_rate_linux.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace comm::posix {

bool SetAnyLineRate(int fd, unsigned baud) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = baud;
  tio.c_ospeed = baud;
  if (ioctl(fd, TCSETS2, &tio) != 0) return false;
  // A driver that cannot make the rate may take the call and keep another.
  termios2 now{};
  return ioctl(fd, TCGETS2, &now) == 0 && now.c_ospeed == baud;
}

}  // namespace comm::posix
