#include "tests/unit/fake_sysfs.h"

#include <fstream>

namespace testing_support {

namespace fs = std::filesystem;

void FakeSysfs::Link(const fs::path& link, const fs::path& target) const {
  fs::create_directories(link.parent_path());
  fs::create_directories(target);
  if (fs::is_symlink(link)) return;  // a device added again, such as a shared hub
  fs::create_directory_symlink(target.lexically_relative(link.parent_path()), link);
}

void FakeSysfs::AddDevice(const std::string& path, const std::string& bus,
                          const Attributes& attributes) {
  const fs::path device = root_ / "devices" / path;
  fs::create_directories(device);
  Link(device / "subsystem", root_ / "bus" / bus);
  for (const auto& [name, text] : attributes) std::ofstream(device / name) << text << '\n';
}

void FakeSysfs::AddTty(const std::string& name, const std::string& device) {
  const fs::path parent = root_ / "devices" / (device.empty() ? "virtual" : device);
  const fs::path tty = parent / "tty" / name;
  fs::create_directories(tty);
  Link(tty / "subsystem", root_ / "class" / "tty");
  Link(root_ / "class" / "tty" / name, tty);
  if (!device.empty()) Link(tty / "device", parent);
}

}  // namespace testing_support
