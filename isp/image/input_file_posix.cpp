#include "isp/image/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace isp {

std::FILE* OpenRegularFile(const char* path) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

}  // namespace isp
