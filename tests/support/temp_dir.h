#pragma once

#ifndef _WIN32
#include <stdlib.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#ifdef _WIN32
#include <random>
#endif

namespace testing_support {

// A fresh directory that is also the working directory while it lives, for
// the files a run writes there ("commlog.txt", "block.bin").
class ScopedTempDir {
 public:
  ScopedTempDir() : previous_(std::filesystem::current_path()) {
#ifdef _WIN32
    // No mkdtemp here: a random name that nobody has made yet.
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() / ("tarvo-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
#endif
    std::filesystem::current_path(path_);
  }
  ~ScopedTempDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& Path() const {
    return path_;
  }
  std::string File(const std::string& name) const {
    return (path_ / name).string();
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

}  // namespace testing_support
