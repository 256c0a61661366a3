#include "comm/registry_walk.h"

#include "comm/registry_walks.h"

namespace comm::registry {
namespace {

constexpr char kWindows9xEnumKey[] = "ENUM";
constexpr char kWindowsNtEnumKey[] = "SYSTEM\\CURRENTCONTROLSET\\ENUM";
constexpr std::uint32_t kNt4MajorVersion = 4;

ErrorCode WalkForVersion(RegistryHost& host, const VersionInfo& version,
                         const PortCallback& callback, int user_value) {
  if (version.PlatformId == kPlatformWin32Windows) {
    return WalkDeviceKeyTree(host, kWindows9xEnumKey, callback, user_value);
  }
  if (version.PlatformId != kPlatformWin32Nt || version.MajorVersion < kNt4MajorVersion) {
    return kErrorOldWinVersion;
  }
  if (version.MajorVersion == kNt4MajorVersion) {
    return WalkSerialCommValues(host, callback, user_value);
  }
  return WalkDeviceKeyTree(host, kWindowsNtEnumKey, callback, user_value);
}

}  // namespace

int EnumRegistrySerialPorts(RegistryHost& host, const PortCallback& callback, int user_value) {
  ErrorCode code = kErrorInvalidParameter;
  if (callback) {
    VersionInfo version;
    host.GetVersionExA(version);
    code = WalkForVersion(host, version, callback, user_value);
  }
  if (code != kErrorSuccess) {
    host.SetLastError(code);
    return 0;
  }
  return 1;
}

}  // namespace comm::registry
