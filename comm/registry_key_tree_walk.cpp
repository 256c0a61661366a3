#include "comm/registry_resources.h"
#include "comm/registry_text.h"
#include "comm/registry_walks.h"

namespace comm::registry {
namespace {

constexpr char kClassValue[] = "CLASS";
constexpr std::uint32_t kClassBufferSize = 6;
constexpr char kPortsClass[] = "PORTS";
constexpr char kClassGuidValue[] = "CLASSGUID";
constexpr std::uint32_t kClassGuidBufferSize = 39;
constexpr char kPortsClassGuid[] = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
constexpr char kPortNameValue[] = "PORTNAME";
constexpr char kDeviceParametersKey[] = "DEVICE PARAMETERS";
constexpr char kSerialPortPrefix[] = "COM";
constexpr char kFriendlyNameValue[] = "FRIENDLYNAME";

class DeviceKeyTreeWalk {
 public:
  DeviceKeyTreeWalk(RegistryHost& host, const PortCallback& callback, int user_value)
      : host_(host),
        callback_(callback),
        user_value_(user_value),
        enumerator_name_(host),
        port_name_(host),
        friendly_name_(host) {}

  ErrorCode Run(const char* root) {
    OpenKey root_key(host_);
    const ErrorCode code = root_key.Open(kLocalMachine, root, kKeyEnumerateSubKeys);
    if (code != kErrorSuccess) return code;
    ForEachSubKey(root_key.Get(), kKeyEnumerateSubKeys, &enumerator_name_,
                  [this](Key enumerator) { return VisitEnumerator(enumerator); });
    return failure_;
  }

 private:
  enum class Flow { kGoOn, kEnd };

  // Opens each subkey of parent in turn and visits it, until the subkeys run
  // out (kGoOn) or the walk ends (kEnd). kept_name, when given, holds the
  // name of the subkey being visited; otherwise the name is released as soon
  // as the subkey is open.
  template <typename Visit>
  Flow ForEachSubKey(Key parent, AccessMask access, HostBuffer* kept_name, Visit visit) {
    for (std::uint32_t index = 0;; ++index) {
      OpenKey subkey(host_);
      ErrorCode code;
      if (kept_name != nullptr) {
        code = OpenSubKeyByIndex(host_, parent, index, access, *kept_name, subkey);
      } else {
        HostBuffer name(host_);
        code = OpenSubKeyByIndex(host_, parent, index, access, name, subkey);
      }
      if (code == kErrorNoMoreItems) return Flow::kGoOn;
      if (code != kErrorSuccess) return Fail(code);
      if (visit(subkey.Get()) == Flow::kEnd) return Flow::kEnd;
    }
  }

  Flow VisitEnumerator(Key enumerator) {
    return ForEachSubKey(enumerator, kKeyEnumerateSubKeys, nullptr,
                         [this](Key device) { return VisitDevice(device); });
  }

  Flow VisitDevice(Key device) {
    return ForEachSubKey(device, kKeyRead, nullptr,
                         [this](Key instance) { return VisitInstance(instance); });
  }

  Flow VisitInstance(Key instance) {
    if (!IsOfPortsClass(instance)) return Flow::kGoOn;
    ErrorCode code = ReadPortName(instance);
    if (code == kErrorFileNotFound) return Flow::kGoOn;
    if (code != kErrorSuccess) return Fail(code);
    // Printer ports belong to the ports class too.
    if (!BeginsWithIgnoringCase(port_name_.Text(), kSerialPortPrefix)) return Flow::kGoOn;

    const char* friendly_name = port_name_.Text();
    code = QueryTextValue(host_, instance, kFriendlyNameValue, friendly_name_);
    if (code == kErrorSuccess) {
      friendly_name = friendly_name_.Text();
    } else if (code != kErrorFileNotFound) {
      return Fail(code);
    }
    const PortInfo port{port_name_.Text(), friendly_name, enumerator_name_.Text()};
    return callback_(user_value_, port) == 0 ? Flow::kEnd : Flow::kGoOn;
  }

  bool IsOfPortsClass(Key instance) {
    return ValueEqualsIgnoringCase(host_, instance, kClassValue, kClassBufferSize, kPortsClass) ||
           ValueEqualsIgnoringCase(host_, instance, kClassGuidValue, kClassGuidBufferSize,
                                   kPortsClassGuid);
  }

  // The port name stands in the instance key or in its "DEVICE PARAMETERS".
  ErrorCode ReadPortName(Key instance) {
    const ErrorCode code = QueryTextValue(host_, instance, kPortNameValue, port_name_);
    if (code != kErrorFileNotFound) return code;
    OpenKey parameters(host_);
    if (parameters.Open(instance, kDeviceParametersKey, kKeyRead) != kErrorSuccess) {
      return kErrorFileNotFound;
    }
    return QueryTextValue(host_, parameters.Get(), kPortNameValue, port_name_);
  }

  Flow Fail(ErrorCode code) {
    failure_ = code;
    return Flow::kEnd;
  }

  RegistryHost& host_;
  const PortCallback& callback_;
  const int user_value_;
  ErrorCode failure_ = kErrorSuccess;
  HostBuffer enumerator_name_;  // held until the next enumerator or the end of the walk
  HostBuffer port_name_;        // port and friendly name buffers go from device to device
  HostBuffer friendly_name_;
};

}  // namespace

ErrorCode WalkDeviceKeyTree(RegistryHost& host, const char* root, const PortCallback& callback,
                            int user_value) {
  return DeviceKeyTreeWalk(host, callback, user_value).Run(root);
}

}  // namespace comm::registry
