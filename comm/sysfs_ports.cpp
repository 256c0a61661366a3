#include "comm/sysfs_ports.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <vector>

#include "comm/natural_order.h"

namespace comm {
namespace {

namespace fs = std::filesystem;

thread_local int last_error = 0;

// Buses of the port layer itself: the device that reported the port sits
// above them (a ttyUSB's "usb-serial" device below its "usb" interface, the
// "serial-base" port and controller below a UART).
constexpr std::string_view kPortLayerBuses[] = {"usb-serial", "serial-base"};

struct TtyEntry {
  std::string name;
  fs::path device;  // canonical
};

// An attribute file's text without the line break and the padding around it;
// empty when the file is missing.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto blank = [](char c) { return c == '\n' || c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  return std::string(first, text.end());
}

// The bus a device directory sits on; empty for a class device or a
// directory with no subsystem.
std::string BusOf(const fs::path& device) {
  std::error_code error;
  const fs::path subsystem = fs::canonical(device / "subsystem", error);
  if (error || subsystem.parent_path().filename() != "bus") return {};
  return subsystem.filename().string();
}

// The device and its ancestors up to (not including) the devices root.
std::vector<fs::path> DeviceAndAncestors(const fs::path& device, const fs::path& devices_root) {
  std::vector<fs::path> chain;
  for (fs::path dir = device;; dir = dir.parent_path()) {
    const fs::path relative = dir.lexically_relative(devices_root);
    if (relative.empty() || relative == "." || *relative.begin() == "..") break;
    chain.push_back(dir);
  }
  return chain;
}

std::string EnumeratorOf(const std::vector<fs::path>& chain) {
  for (const fs::path& dir : chain) {
    const std::string bus = BusOf(dir);
    if (bus.empty()) continue;
    if (std::find(std::begin(kPortLayerBuses), std::end(kPortLayerBuses), bus) ==
        std::end(kPortLayerBuses)) {
      return bus;
    }
  }
  return {};
}

// "Manufacturer Product (Serial)" of the nearest USB device (a directory of
// the usb bus with an idVendor, as opposed to its interfaces), with what of
// it the device has; the port name stands in for missing strings.
std::string FriendlyNameOf(const std::vector<fs::path>& chain, const std::string& port_name) {
  for (const fs::path& dir : chain) {
    if (BusOf(dir) != "usb" || !fs::exists(dir / "idVendor")) continue;
    const std::string manufacturer = ReadAttribute(dir / "manufacturer");
    const std::string product = ReadAttribute(dir / "product");
    const std::string serial = ReadAttribute(dir / "serial");
    std::string name = manufacturer;
    if (!name.empty() && !product.empty()) name += ' ';
    name += product;
    if (name.empty()) name = port_name;
    if (!serial.empty()) name += " (" + serial + ")";
    return name;
  }
  return port_name;
}

// "vendor:product" and the serial number of the nearest USB device.
struct UsbIdentity {
  std::string id;
  std::string serial;
};

UsbIdentity UsbIdentityOf(const std::vector<fs::path>& chain) {
  for (const fs::path& dir : chain) {
    if (BusOf(dir) != "usb" || !fs::exists(dir / "idVendor")) continue;
    const std::string vendor = ReadAttribute(dir / "idVendor");
    const std::string product = ReadAttribute(dir / "idProduct");
    return {vendor.empty() || product.empty() ? std::string() : vendor + ":" + product,
            ReadAttribute(dir / "serial")};
  }
  return {};
}

// The entries of class/tty with a device behind them, in natural order.
std::error_code ListTtys(const fs::path& class_tty, std::vector<TtyEntry>& ttys) {
  std::error_code error;
  for (fs::directory_iterator it(class_tty, error), end; !error && it != end; it.increment(error)) {
    std::error_code no_device;
    fs::path device = fs::canonical(it->path() / "device", no_device);
    if (no_device) continue;
    ttys.push_back({it->path().filename().string(), std::move(device)});
  }
  std::sort(ttys.begin(), ttys.end(),
            [](const TtyEntry& a, const TtyEntry& b) { return NaturalLess(a.name, b.name); });
  return error;
}

int Fail(int code) {
  last_error = code;
  return 0;
}

}  // namespace

int EnumSysfsSerialPorts(const std::string& sysfs_root, const PortCallback& callback,
                         int user_value) {
  if (!callback) return Fail(EINVAL);
  std::vector<TtyEntry> ttys;
  if (const std::error_code error = ListTtys(fs::path(sysfs_root) / "class" / "tty", ttys)) {
    return Fail(error.value());
  }
  std::error_code error;
  const fs::path devices_root = fs::canonical(fs::path(sysfs_root) / "devices", error);
  if (error) return Fail(error.value());

  for (const TtyEntry& tty : ttys) {
    const std::vector<fs::path> chain = DeviceAndAncestors(tty.device, devices_root);
    const std::string port_name = "/dev/" + tty.name;
    const std::string friendly_name = FriendlyNameOf(chain, port_name);
    const std::string enumerator = EnumeratorOf(chain);
    const UsbIdentity usb = UsbIdentityOf(chain);
    const PortInfo port{port_name.c_str(), friendly_name.c_str(), enumerator.c_str(),
                        usb.id.c_str(), usb.serial.c_str()};
    if (callback(user_value, port) == 0) break;
  }
  return 1;
}

int LastSysfsDiscoveryError() {
  return last_error;
}

}  // namespace comm
