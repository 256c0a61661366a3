#pragma once

namespace comm::posix {

// Sets both directions of the open terminal fd to baud through the Linux
// interface that takes any rate the driver can make (BOTHER), not only the
// standard ones. Lives in a file of its own: that interface's header cannot
// be included beside <termios.h>.
bool SetAnyLineRate(int fd, unsigned baud);

}  // namespace comm::posix
