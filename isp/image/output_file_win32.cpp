#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "isp/image/output_file.h"

namespace isp {
namespace {

std::FILE* Refuse(HANDLE handle, std::string& why, const char* reason) {
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  why = reason;
  return nullptr;
}

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

std::FILE* CreateOutputFile(const char* name, std::string& why) {
  // The reparse point itself is opened, never what a symbolic link or
  // junction points at; nothing is emptied before it is known to be ours.
  HANDLE handle = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    why = SystemText(GetLastError());
    return nullptr;
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) return Refuse(handle, why, "it is not a regular file");
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    const std::string text = SystemText(GetLastError());
    CloseHandle(handle);
    why = text;
    return nullptr;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return Refuse(handle, why, "it is a symbolic link");
  }
  if (info.nNumberOfLinks > 1) return Refuse(handle, why, "it has other hard links");
  if (!SetEndOfFile(handle)) {
    const std::string text = SystemText(GetLastError());
    CloseHandle(handle);
    why = text;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) return Refuse(handle, why, "the file could not be attached");
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    _close(fd);
    why = "the file could not be attached";
  }
  return file;
}

}  // namespace isp
