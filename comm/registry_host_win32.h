#pragma once

#include "comm/registry_host.h"

namespace comm::registry {

// The registry, version and last-error calls of the running Windows, and the
// C heap. Built on Windows only.
class Win32RegistryHost final : public RegistryHost {
 public:
  void GetVersionExA(VersionInfo& version) override;
  ErrorCode RegOpenKeyExA(Key parent, const char* sub_key, AccessMask access, Key* opened) override;
  ErrorCode RegEnumKeyExA(Key key, std::uint32_t index, char* name,
                          std::uint32_t* name_size) override;
  ErrorCode RegEnumValueA(Key key, std::uint32_t index, char* name, std::uint32_t* name_size,
                          std::uint8_t* data, std::uint32_t* data_size) override;
  ErrorCode RegQueryValueExA(Key key, const char* value_name, std::uint8_t* data,
                             std::uint32_t* data_size) override;
  ErrorCode RegCloseKey(Key key) override;
  void SetLastError(ErrorCode code) override;
  ErrorCode GetLastError() const override;
  void* Allocate(std::size_t size) override;
  void Release(void* block) override;
};

}  // namespace comm::registry
