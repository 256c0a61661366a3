#include "comm/registry_resources.h"
#include "comm/registry_text.h"
#include "comm/registry_walks.h"

namespace comm::registry {
namespace {

constexpr char kSerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

}  // namespace

ErrorCode WalkSerialCommValues(RegistryHost& host, const PortCallback& callback, int user_value) {
  OpenKey serial_comm(host);
  ErrorCode code = serial_comm.Open(kLocalMachine, kSerialCommKey, kKeyRead);
  if (code == kErrorFileNotFound) return kErrorSuccess;
  if (code != kErrorSuccess) return code;

  HostBuffer name(host);
  HostBuffer data(host);
  for (std::uint32_t index = 0;; ++index) {
    code = EnumValueText(host, serial_comm.Get(), index, name, data);
    if (code == kErrorNoMoreItems) return kErrorSuccess;
    if (code != kErrorSuccess) return code;
    const PortInfo port{data.Text(), data.Text(), ""};
    if (callback(user_value, port) == 0) return kErrorSuccess;
  }
}

}  // namespace comm::registry
