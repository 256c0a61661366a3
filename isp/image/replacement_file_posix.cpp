#include "isp/image/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "isp/image/output_folder.h"

namespace isp {
namespace {

constexpr int kTempTries = 100;

// Whether the old file may be replaced; why says why not.
bool Replaceable(int folder, const std::string& leaf, struct stat& info, bool& exists,
                 std::string& why) {
  exists = false;
  if (fstatat(folder, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return true;
    why = std::strerror(errno);
    return false;
  }
  exists = true;
  if (S_ISLNK(info.st_mode)) {
    why = "it is a symbolic link";
  } else if (S_ISDIR(info.st_mode)) {
    why = std::strerror(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    why = "it is not a regular file";
  } else if (info.st_nlink > 1) {
    why = "it has other hard links";
  } else if (faccessat(folder, leaf.c_str(), W_OK, AT_EACCESS) != 0) {
    why = std::strerror(errno);
  } else {
    return true;
  }
  return false;
}

}  // namespace

ReplacementFile::~ReplacementFile() {
  Abandon();
}

bool ReplacementFile::Open(const std::string& path, std::string& why) {
  Abandon();
  error_ = 0;
  path_ = path;
  std::string& leaf = leaf_;
  folder_ = OpenOutputFolder(path, leaf, why);
  if (folder_ < 0) return false;
  struct stat old {};
  bool exists = false;
  if (!Replaceable(folder_, leaf, old, exists, why)) {
    Abandon();
    return false;
  }
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < kTempTries; ++attempt) {
    temp_ = "." + leaf + ".tarvo-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::openat(folder_, temp_.c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    why = std::strerror(errno);
    temp_.clear();
    Abandon();
    return false;
  }
  if (exists) {
    // The new file takes the old one's permissions, and its owner where we may.
    fchmod(fd, old.st_mode & 07777);
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not ours to give away: the file stays the user's who runs us.
    }
  }
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    why = std::strerror(errno);
    ::close(fd);
    Abandon();
    return false;
  }
  return true;
}

bool ReplacementFile::Write(const void* data, std::size_t size) {
  if (file_ == nullptr) return false;
  errno = 0;
  if (std::fwrite(data, 1, size, file_) == size) return true;
  if (error_ == 0) error_ = errno;
  return false;
}

bool ReplacementFile::Commit(std::string& why) {
  if (file_ == nullptr) {
    why = "the file is not open";
    return false;
  }
  errno = 0;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  if (ok) ok = fsync(fileno(file_)) == 0;
  if (!ok) {
    const int error = error_ != 0 ? error_ : errno;
    why = error != 0 ? std::strerror(error) : "the disk refused the data";
  }
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (ok && closed != 0) {
    ok = false;
    why = std::strerror(errno);
  }
  if (ok && renameat(folder_, temp_.c_str(), folder_, leaf_.c_str()) != 0) {
    ok = false;
    why = std::strerror(errno);
  }
  if (!ok) {
    Abandon();
    return false;
  }
  temp_.clear();
  fsync(folder_);  // the rename itself kept
  Abandon();
  return true;
}

void ReplacementFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (folder_ >= 0) {
    if (!temp_.empty()) unlinkat(folder_, temp_.c_str(), 0);
    ::close(folder_);
    folder_ = -1;
  }
  temp_.clear();
}

}  // namespace isp
