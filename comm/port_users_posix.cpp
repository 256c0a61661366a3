#include "comm/port_users.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace comm {
namespace {

// Linux numbers the slaves of /dev/ptmx on majors 136 to 143.
constexpr unsigned kPtySlaveFirstMajor = 136;
constexpr unsigned kPtySlaveLastMajor = 143;
constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;

std::optional<unsigned> PtySlaveIndex(dev_t device) {
  const unsigned major_number = major(device);
  if (major_number < kPtySlaveFirstMajor || major_number > kPtySlaveLastMajor) return std::nullopt;
  return (major_number - kPtySlaveFirstMajor) * 256u + minor(device);
}

std::vector<std::string> Entries(const std::string& path, bool numbers_only) {
  std::vector<std::string> names;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (numbers_only && !std::all_of(name.begin(), name.end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
      continue;
    }
    names.push_back(name);
  }
  closedir(dir);
  return names;
}

bool IsPtmx(const std::string& fd_path, const struct stat& info) {
  if (S_ISCHR(info.st_mode) && major(info.st_rdev) == kPtmxMajor &&
      minor(info.st_rdev) == kPtmxMinor) {
    return true;
  }
  char target[256];
  const ssize_t length = readlink(fd_path.c_str(), target, sizeof target - 1);
  if (length <= 0) return false;
  const std::string text(target, static_cast<std::size_t>(length));
  return text.ends_with("/ptmx");
}

// The "tty-index:" line of a /dev/ptmx descriptor's fdinfo: the number of the
// slave that belongs to this master.
std::optional<unsigned> MasterIndex(const std::string& fdinfo_path) {
  std::ifstream in(fdinfo_path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.starts_with("tty-index:")) continue;
    std::istringstream number(line.substr(10));
    unsigned index = 0;
    if (number >> index) return index;
  }
  return std::nullopt;
}

std::string CommandName(const std::string& process_path) {
  std::ifstream in(process_path + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

}  // namespace

std::vector<PortUser> FindPortUsers(const std::string& device_path, const std::string& proc_root) {
  std::vector<PortUser> users;
  struct stat device {};
  if (stat(device_path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return users;
  const std::optional<unsigned> slave_index = PtySlaveIndex(device.st_rdev);
  const std::string self = std::to_string(getpid());

  for (const std::string& pid : Entries(proc_root, true)) {
    if (pid == self) continue;
    const std::string process_path = proc_root + "/" + pid;
    bool holds_device = false;
    bool holds_master = false;
    for (const std::string& fd : Entries(process_path + "/fd", true)) {
      const std::string fd_path = process_path + "/fd/" + fd;
      struct stat info {};
      if (stat(fd_path.c_str(), &info) != 0) continue;
      if (S_ISCHR(info.st_mode) && info.st_rdev == device.st_rdev) {
        holds_device = true;
      } else if (slave_index && IsPtmx(fd_path, info) &&
                 MasterIndex(process_path + "/fdinfo/" + fd) == slave_index) {
        holds_master = true;
      }
    }
    if (holds_device && !holds_master) {
      users.push_back(
          {static_cast<pid_t>(std::strtol(pid.c_str(), nullptr, 10)), CommandName(process_path)});
    }
  }
  std::sort(users.begin(), users.end(),
            [](const PortUser& a, const PortUser& b) { return a.pid < b.pid; });
  return users;
}

}  // namespace comm
