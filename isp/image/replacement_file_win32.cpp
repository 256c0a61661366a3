#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "isp/image/replacement_file.h"

namespace isp {
namespace {

std::string SystemText(DWORD code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string result(text, length);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  return result.empty() ? "error " + std::to_string(code) : result;
}

}  // namespace

ReplacementFile::~ReplacementFile() {
  Abandon();
}

// Windows keeps to the last name: a junction or link in a folder of the
// path is followed (the README says so).
bool ReplacementFile::Open(const std::string& path, std::string& why) {
  Abandon();
  error_ = 0;
  path_ = path;
  const std::size_t slash = path.find_last_of("/\\:");
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  leaf_ = slash == std::string::npos ? path : path.substr(slash + 1);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      why = "it is a symbolic link";
      return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      why = "it is a directory";
      return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      why = "it is read-only";
      return false;
    }
  }
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temp_ = folder + "." + leaf_ + ".tarvo-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(attempt);
    handle = CreateFileA(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    why = SystemText(GetLastError());
    temp_.clear();
    return false;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    why = "the file could not be attached";
    Abandon();
    return false;
  }
  file_ = _fdopen(fd, "wb");
  if (file_ == nullptr) {
    _close(fd);
    why = "the file could not be attached";
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
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  if (!ok) why = error_ != 0 ? std::strerror(error_) : "the disk refused the data";
  if (ok && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_))))) {
    ok = false;
    why = SystemText(GetLastError());
  }
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (ok && closed != 0) {
    ok = false;
    why = "the disk refused the data";
  }
  if (ok && !MoveFileExA(temp_.c_str(), path_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    why = SystemText(GetLastError());
  }
  if (!ok) {
    Abandon();
    return false;
  }
  temp_.clear();
  return true;
}

void ReplacementFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) DeleteFileA(temp_.c_str());
  temp_.clear();
}

}  // namespace isp
