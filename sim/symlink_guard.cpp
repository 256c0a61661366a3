#include "symlink_guard.hpp"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace isp_sim {

SymlinkGuard::SymlinkGuard(std::string link_path, std::string target)
    : link_path_(std::move(link_path)), target_(std::move(target)) {
  namespace fs = std::filesystem;
  const fs::path link(link_path_);
  const fs::file_status status = fs::symlink_status(link);
  if (fs::exists(status) && !fs::is_symlink(status)) {
    throw std::system_error(EEXIST, std::generic_category(),
                            link_path_ + " exists and is not a symbolic link");
  }
  // Create beside it and rename over it, so the path never points nowhere.
  const fs::path staging = link.string() + ".isp-sim-new";
  fs::remove(staging);
  fs::create_symlink(target_, staging);
  fs::rename(staging, link);
}

SymlinkGuard::~SymlinkGuard() {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_symlink(link_path_, error) && fs::read_symlink(link_path_, error) == target_) {
    fs::remove(link_path_, error);
  }
}

}  // namespace isp_sim
