#include <windows.h>

#include "cli/record/line_append.h"

namespace cli {
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

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::optional<std::string> AppendLine(const std::string& path, const std::string& line) {
  // FILE_APPEND_DATA alone: every write goes to the file's end, after the
  // lines of any other process appending to it. The reparse point itself
  // is opened, never what a symbolic link or junction points at.
  const Handle file(CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return SystemText(GetLastError());
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return std::string("it is not a regular file");
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return SystemText(GetLastError());
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return std::string("it is a symbolic link");
  }
  if (info.nNumberOfLinks > 1) return std::string("it has other hard links");
  DWORD written = 0;
  if (!WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    return SystemText(GetLastError());
  }
  if (written != line.size()) return std::string("the disk took only part of the line");
  if (!FlushFileBuffers(file.get())) {
    return "it could not be flushed: " + SystemText(GetLastError());
  }
  return std::nullopt;
}

}  // namespace cli
