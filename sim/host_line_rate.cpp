// A file of its own: <asm/termbits.h> cannot be included beside <termios.h>.
#include "host_line_rate.hpp"

#ifdef __linux__
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace isp_sim {

std::optional<std::uint32_t> host_line_rate(int master_fd) {
#ifdef __linux__
  termios2 tio{};
  if (ioctl(master_fd, TCGETS2, &tio) != 0 || tio.c_ospeed == 0) return std::nullopt;
  return tio.c_ospeed;
#else
  static_cast<void>(master_fd);
  return std::nullopt;
#endif
}

}  // namespace isp_sim
