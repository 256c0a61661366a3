#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace testing_support {

// A sysfs tree in a directory, with the links the kernel makes: each device
// below devices/ with its subsystem link to bus/<bus>, each tty class
// device listed in class/tty by a link to its directory below devices/, and
// its device link to the device that carries the port.
class FakeSysfs {
 public:
  using Attributes = std::map<std::string, std::string>;

  explicit FakeSysfs(std::filesystem::path root) : root_(std::move(root)) {}

  const std::filesystem::path& Root() const { return root_; }

  // The device at devices/<path> on the bus, with attribute files (each
  // text written with a line break, as the kernel shows it).
  void AddDevice(const std::string& path, const std::string& bus,
                 const Attributes& attributes = {});
  // The tty class device of the device at devices/<device>, as
  // devices/<device>/tty/<name>; a virtual one (devices/virtual/tty/<name>,
  // no device link) when device is empty.
  void AddTty(const std::string& name, const std::string& device);

 private:
  void Link(const std::filesystem::path& link, const std::filesystem::path& target) const;

  std::filesystem::path root_;
};

}  // namespace testing_support
