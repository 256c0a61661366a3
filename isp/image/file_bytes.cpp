#include "isp/image/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "isp/image/input_file.h"

namespace isp {
namespace {

ImageError AccessError(ImageErrorKind kind, int system_error = 0) {
  ImageError error;
  error.kind = kind;
  error.system_error = system_error;
  return error;
}

}  // namespace

// In the order a user looks: is it there, is it a folder, is it a file at
// all, may I read it.
ImageError WhyNotOpened(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code status_error;
  const fs::file_status status = fs::status(path, status_error);
  if (status.type() == fs::file_type::not_found) return AccessError(ImageErrorKind::kNotFound);
  if (status_error) return AccessError(ImageErrorKind::kCannotOpen, status_error.value());
  if (status.type() == fs::file_type::directory) return AccessError(ImageErrorKind::kIsAFolder);
  if (status.type() != fs::file_type::regular) return AccessError(ImageErrorKind::kNotRegularFile);
  // A regular file, so this open cannot block: only its errno is wanted.
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file != nullptr) {
    std::fclose(file);
    return AccessError(ImageErrorKind::kCannotOpen);
  }
  const int system_error = errno;
  return AccessError(system_error == EACCES || system_error == EPERM ? ImageErrorKind::kNoPermission
                                                                     : ImageErrorKind::kCannotOpen,
                     system_error);
}

std::optional<ImageError> ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::FILE* file = OpenRegularFile(path.c_str());
  if (file == nullptr) return WhyNotOpened(path);
  std::uint8_t buffer[65536];
  bool good = true;
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    bytes.insert(bytes.end(), buffer, buffer + got);
    if (got < sizeof buffer) {
      good = std::ferror(file) == 0;
      break;
    }
  }
  std::fclose(file);
  if (!good) return AccessError(ImageErrorKind::kReadFailed);
  return std::nullopt;
}

}  // namespace isp
