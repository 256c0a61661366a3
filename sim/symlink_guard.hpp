#pragma once

#include <string>

namespace isp_sim {

// A symbolic link to the pty slave for --link. An existing symbolic link at the path is
// replaced; any other kind of file there is an error. The link goes away with the guard, unless
// something else has replaced it meanwhile.
class SymlinkGuard {
 public:
  SymlinkGuard(std::string link_path, std::string target);  // throws std::system_error
  ~SymlinkGuard();
  SymlinkGuard(const SymlinkGuard&) = delete;
  SymlinkGuard& operator=(const SymlinkGuard&) = delete;

 private:
  std::string link_path_;
  std::string target_;
};

}  // namespace isp_sim
