#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/record/line_append.h"
#include "isp/image/output_folder.h"

namespace cli {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> AppendLine(const std::string& path, const std::string& line) {
  std::string leaf;
  std::string why;
  const Descriptor folder(isp::OpenOutputFolder(path, leaf, why));
  if (folder.get() < 0) return why;
  const Descriptor file(::openat(
      folder.get(), leaf.c_str(),
      O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
  if (file.get() < 0) {
    if (errno == ELOOP) return "it is a symbolic link";
    if (errno == ENXIO) return "it is not a regular file";
    return std::strerror(errno);
  }
  struct stat info {};
  if (fstat(file.get(), &info) != 0) return std::strerror(errno);
  if (!S_ISREG(info.st_mode)) return "it is not a regular file";
  if (info.st_nlink > 1) return "it has other hard links";
  // One write with O_APPEND: the line lands whole at the end, after the
  // lines of any other process appending to the file.
  ssize_t written = 0;
  do {
    written = ::write(file.get(), line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) return std::strerror(errno);
  if (static_cast<std::size_t>(written) != line.size()) {
    // A full disk took part of it: the part is cut off again where no
    // other line has come after it, so that the file ends in a whole line.
    const std::string reason = "the disk took only part of the line (is it full?)";
    const off_t end = ::lseek(file.get(), 0, SEEK_CUR);
    if (end >= 0 && fstat(file.get(), &info) == 0 && info.st_size == end) {
      if (ftruncate(file.get(), end - written) != 0) {
        return reason + " (part of the line is left in the file)";
      }
    }
    return reason;
  }
  if (fsync(file.get()) != 0)
    return std::string("it could not be flushed: ") + std::strerror(errno);
  return std::nullopt;
}

}  // namespace cli
