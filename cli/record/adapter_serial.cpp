#include "cli/record/adapter_serial.h"

#include <filesystem>
#include <system_error>

#include "comm/port_discovery.h"

namespace cli {
namespace {

// The name a port walk gives the device: its node with links resolved, or
// the COM name without the "\\.\" prefix.
std::string WalkName(const std::string& device_path) {
#ifdef _WIN32
  const std::string prefix = "\\\\.\\";
  if (device_path.rfind(prefix, 0) == 0) return device_path.substr(prefix.size());
  return device_path;
#else
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(device_path, error);
  return error ? device_path : resolved.string();
#endif
}

bool SameName(const std::string& a, const std::string& b) {
#ifdef _WIN32
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
#else
  return a == b;
#endif
}

}  // namespace

std::string AdapterSerial(const std::string& device_path) {
  const std::string wanted = WalkName(device_path);
  std::string serial;
  comm::EnumSerialPorts(
      [&](int, const comm::PortInfo& port) {
        if (!SameName(port.PortName, wanted)) return 1;
        serial = port.SerialNumber != nullptr ? port.SerialNumber : "";
        return 0;
      },
      0);
  return serial;
}

}  // namespace cli
