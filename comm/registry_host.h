#pragma once

#include <cstddef>
#include <cstdint>

// What the registry walks of port discovery need from the host: the Windows
// version, the registry calls under HKEY_LOCAL_MACHINE with their buffer and
// size rules, the thread's last error and the heap. The walks are written
// against this so that they build and run on any host; on Windows the real
// calls stand behind it (Win32RegistryHost).
namespace comm::registry {

// Win32 error codes, with their Windows values.
using ErrorCode = std::uint32_t;
inline constexpr ErrorCode kErrorSuccess = 0;
inline constexpr ErrorCode kErrorFileNotFound = 2;
inline constexpr ErrorCode kErrorAccessDenied = 5;
inline constexpr ErrorCode kErrorInvalidHandle = 6;
inline constexpr ErrorCode kErrorNotEnoughMemory = 8;
inline constexpr ErrorCode kErrorInvalidParameter = 87;
inline constexpr ErrorCode kErrorMoreData = 234;
inline constexpr ErrorCode kErrorNoMoreItems = 259;
inline constexpr ErrorCode kErrorOldWinVersion = 1150;

// Registry access rights (REGSAM).
using AccessMask = std::uint32_t;
inline constexpr AccessMask kKeyQueryValue = 0x0001;
inline constexpr AccessMask kKeyEnumerateSubKeys = 0x0008;
inline constexpr AccessMask kKeyRead = 0x20019;

// Platform ids of OSVERSIONINFOA.
inline constexpr std::uint32_t kPlatformWin32Windows = 1;  // Windows 95, 98, Me
inline constexpr std::uint32_t kPlatformWin32Nt = 2;

// An open registry key as the host hands it out (an HKEY on Windows).
enum class Key : std::uintptr_t {};
inline constexpr Key kLocalMachine = Key{0x80000002};  // HKEY_LOCAL_MACHINE

// The two fields of OSVERSIONINFOA that choose the walk.
struct VersionInfo {
  std::uint32_t PlatformId = 0;
  std::uint32_t MajorVersion = 0;
};

class RegistryHost {
 public:
  virtual ~RegistryHost() = default;

  // GetVersionExA with a zero-filled record of 148 bytes. When the call
  // fails, version keeps its zero fields.
  virtual void GetVersionExA(VersionInfo& version) = 0;

  virtual ErrorCode RegOpenKeyExA(Key parent, const char* sub_key, AccessMask access,
                                  Key* opened) = 0;
  // name_size: in, the buffer's size in characters including the NUL; out on
  // success, the name's length without the NUL. On kErrorMoreData it is left
  // as it was and nothing is stored.
  virtual ErrorCode RegEnumKeyExA(Key key, std::uint32_t index, char* name,
                                  std::uint32_t* name_size) = 0;
  // name_size as for RegEnumKeyExA. data_size: in, the data buffer's size in
  // bytes; out, the data's size, also on kErrorMoreData when the data did
  // not fit. The value's type is not asked for.
  virtual ErrorCode RegEnumValueA(Key key, std::uint32_t index, char* name,
                                  std::uint32_t* name_size, std::uint8_t* data,
                                  std::uint32_t* data_size) = 0;
  // data_size: in, the buffer's size in bytes; out, the data's size, also on
  // kErrorMoreData (the size needed). The value's type is not asked for.
  virtual ErrorCode RegQueryValueExA(Key key, const char* value_name, std::uint8_t* data,
                                     std::uint32_t* data_size) = 0;
  virtual ErrorCode RegCloseKey(Key key) = 0;

  virtual void SetLastError(ErrorCode code) = 0;
  virtual ErrorCode GetLastError() const = 0;

  // The walks' heap buffers. Allocate returns nullptr when out of memory.
  virtual void* Allocate(std::size_t size) = 0;
  virtual void Release(void* block) = 0;
};

}  // namespace comm::registry
