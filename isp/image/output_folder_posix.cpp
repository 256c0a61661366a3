#include "isp/image/output_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace isp {

int OpenOutputFolder(const std::string& path, std::string& leaf, std::string& why) {
  const bool absolute = !path.empty() && path.front() == '/';
  int folder = ::open(absolute ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    why = std::strerror(errno);
    return -1;
  }
  std::size_t begin = absolute ? 1 : 0;
  for (;;) {
    const std::size_t end = path.find('/', begin);
    if (end == std::string::npos) break;
    const std::string part = path.substr(begin, end - begin);
    begin = end + 1;
    if (part.empty() || part == ".") continue;
    const int next =
        ::openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      const int error = errno;
      struct stat info {};
      const bool link =
          fstatat(folder, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
      ::close(folder);
      const std::string name = path.substr(0, end);
      why = link ? "its folder " + name + " is a symbolic link"
                 : "its folder " + name + ": " + std::strerror(error);
      return -1;
    }
    ::close(folder);
    folder = next;
  }
  leaf = path.substr(begin);
  if (leaf.empty()) {
    ::close(folder);
    why = std::strerror(EISDIR);
    return -1;
  }
  return folder;
}

}  // namespace isp
