#include "cli/file_collisions.h"

#include <filesystem>
#include <system_error>

#include "cli/shown_name.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

bool SameFile(const FileRole& first, const FileRole& second) {
  const std::string& a = first.path;
  const std::string& b = second.path;
  std::error_code error;
  // An output that is a symbolic link is refused when it is opened, so
  // nothing is written through it: it collides with nothing.
  if ((first.written && fs::is_symlink(a, error)) || (second.written && fs::is_symlink(b, error)))
    return false;
  const bool a_exists = fs::exists(fs::symlink_status(a, error));
  const bool b_exists = fs::exists(fs::symlink_status(b, error));
  if (a_exists && b_exists) {
    // The device and inode of each (the file or link itself).
    const bool same = fs::equivalent(a, b, error);
    return !error && same;
  }
  if (a_exists != b_exists) return false;
  const fs::path resolved_a = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return false;
  const fs::path resolved_b = fs::weakly_canonical(fs::absolute(b, error), error);
  return !error && resolved_a == resolved_b;
}

std::string Named(const FileRole& file) {
  return ShownName(file.path) + " (" + file.role + ")";
}

}  // namespace

std::optional<std::string> CollidingFiles(const std::vector<FileRole>& files) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    for (std::size_t j = i + 1; j < files.size(); ++j) {
      if (!files[i].written && !files[j].written) continue;
      if (!SameFile(files[i], files[j])) continue;
      const bool first_written = files[i].written;
      const FileRole& written = first_written ? files[i] : files[j];
      const FileRole& other = first_written ? files[j] : files[i];
      return Named(written) + " is the same file as " + Named(other) +
             ": nothing was sent; give another name";
    }
  }
  return std::nullopt;
}

}  // namespace cli
