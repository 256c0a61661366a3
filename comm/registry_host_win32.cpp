#include "comm/registry_host_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>

namespace comm::registry {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

// The predefined key is a sign-extended constant on 64-bit Windows, so it
// is mapped by name rather than by value.
HKEY ToHkey(Key key) {
  if (key == kLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key));
}

Key FromHkey(HKEY key) {
  return static_cast<Key>(reinterpret_cast<std::uintptr_t>(key));
}

ErrorCode FromStatus(LSTATUS status) {
  return static_cast<ErrorCode>(status);
}

}  // namespace

void Win32RegistryHost::GetVersionExA(VersionInfo& version) {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  // Deprecated since Windows 8.1, where it reports 6.2 unless the program is
  // manifested; either way NT above 4 takes the key-tree walk.
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
  const BOOL ok = ::GetVersionExA(&info);
#else
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = ::GetVersionExA(&info);
#pragma GCC diagnostic pop
#endif
  if (!ok) return;
  version.PlatformId = info.dwPlatformId;
  version.MajorVersion = info.dwMajorVersion;
}

ErrorCode Win32RegistryHost::RegOpenKeyExA(Key parent, const char* sub_key, AccessMask access,
                                           Key* opened) {
  HKEY key = nullptr;
  const LSTATUS status = ::RegOpenKeyExA(ToHkey(parent), sub_key, 0, access, &key);
  if (status == ERROR_SUCCESS) *opened = FromHkey(key);
  return FromStatus(status);
}

ErrorCode Win32RegistryHost::RegEnumKeyExA(Key key, std::uint32_t index, char* name,
                                           std::uint32_t* name_size) {
  DWORD size = *name_size;
  const LSTATUS status =
      ::RegEnumKeyExA(ToHkey(key), index, name, &size, nullptr, nullptr, nullptr, nullptr);
  *name_size = size;
  return FromStatus(status);
}

ErrorCode Win32RegistryHost::RegEnumValueA(Key key, std::uint32_t index, char* name,
                                           std::uint32_t* name_size, std::uint8_t* data,
                                           std::uint32_t* data_size) {
  DWORD name_chars = *name_size;
  DWORD data_bytes = *data_size;
  const LSTATUS status =
      ::RegEnumValueA(ToHkey(key), index, name, &name_chars, nullptr, nullptr, data, &data_bytes);
  *name_size = name_chars;
  *data_size = data_bytes;
  return FromStatus(status);
}

ErrorCode Win32RegistryHost::RegQueryValueExA(Key key, const char* value_name, std::uint8_t* data,
                                              std::uint32_t* data_size) {
  DWORD size = *data_size;
  const LSTATUS status = ::RegQueryValueExA(ToHkey(key), value_name, nullptr, nullptr, data, &size);
  *data_size = size;
  return FromStatus(status);
}

ErrorCode Win32RegistryHost::RegCloseKey(Key key) {
  return FromStatus(::RegCloseKey(ToHkey(key)));
}

void Win32RegistryHost::SetLastError(ErrorCode code) {
  ::SetLastError(code);
}

ErrorCode Win32RegistryHost::GetLastError() const {
  return ::GetLastError();
}

void* Win32RegistryHost::Allocate(std::size_t size) {
  return std::malloc(size);
}

void Win32RegistryHost::Release(void* block) {
  std::free(block);
}

}  // namespace comm::registry
