#include "isp/image/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "isp/image/output_folder.h"

namespace isp {
namespace {

std::FILE* Refuse(int fd, std::string& why, const char* reason) {
  if (fd >= 0) ::close(fd);
  why = reason;
  return nullptr;
}

}  // namespace

std::FILE* CreateOutputFile(const char* name, std::string& why) {
  std::string leaf;
  const int folder = OpenOutputFolder(name, leaf, why);
  if (folder < 0) return nullptr;
  // No O_TRUNC here: nothing is emptied before it is known to be ours.
  const int fd =
      ::openat(folder, leaf.c_str(),
               O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  ::close(folder);
  if (fd < 0) {
    if (errno == ELOOP) return Refuse(fd, why, "it is a symbolic link");
    // A FIFO without a reader, or a device node without its device.
    if (errno == ENXIO) return Refuse(fd, why, "it is not a regular file");
    return Refuse(fd, why, std::strerror(errno));
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) return Refuse(fd, why, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Refuse(fd, why, "it is not a regular file");
  if (info.st_nlink > 1) return Refuse(fd, why, "it has other hard links");
  if (ftruncate(fd, 0) != 0) return Refuse(fd, why, std::strerror(errno));
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) return Refuse(fd, why, std::strerror(errno));
  return file;
}

}  // namespace isp
