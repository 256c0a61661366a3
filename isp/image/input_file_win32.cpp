#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "isp/image/input_file.h"

namespace isp {

std::FILE* OpenRegularFile(const char* path) {
  // A directory does not open without FILE_FLAG_BACKUP_SEMANTICS; a device
  // ("CON", "NUL", a pipe) opens, but is no disk file.
  HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace isp
