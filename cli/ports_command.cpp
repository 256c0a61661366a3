#include "cli/ports_command.h"

#include <nlohmann/json.hpp>
#include <system_error>

#ifndef _WIN32
#include <grp.h>
#include <unistd.h>
#endif

#include "cli/failure_text.h"
#include "comm/comm.h"
#include "comm/port_list_entry.h"
#include "comm/port_probe.h"

namespace cli {
namespace {

#ifndef _WIN32
bool UserIsIn(const std::string& group_name) {
  const struct group* group = ::getgrnam(group_name.c_str());
  if (group == nullptr) return false;
  if (::getegid() == group->gr_gid) return true;
  gid_t groups[256];
  const int count = ::getgroups(256, groups);
  for (int i = 0; i < count; ++i) {
    if (groups[i] == group->gr_gid) return true;
  }
  return false;
}
#endif

// Said when ports exist but none opened: why, as far as the device tells.
std::string NoneOpensText(std::size_t found, const std::string& first) {
  std::string text = std::to_string(found) + " serial port" + (found == 1 ? " was" : "s were") +
                     " found, but none opens for this user";
  const std::string group = DeviceGroupName(first);
#ifndef _WIN32
  if (!group.empty()) {
    text += " (" + first + " belongs to group " + group;
    if (group == "root") {
      text += ", which gives no user access: a udev rule can give it a group to join)";
    } else if (!UserIsIn(group)) {
      text +=
          ", which this user is not in: sudo usermod -aG " + group + " $USER, then log in again)";
    } else {
      text += ", which this user is in: another program may hold it)";
    }
  }
#else
  (void)group;
  text += " (another program may hold them)";
#endif
  return text + "; \"tarvo-cli ports --all\" lists them";
}

}  // namespace

int ListPorts(const PortsOptions& options, const PortWalk& walk, const PortOpens& opens,
              std::FILE* out, std::FILE* err) {
  std::size_t found = 0;
  std::size_t listed = 0;
  std::string first_found;
  const auto list_port = [&](int, const comm::PortInfo& port) {
    const auto entry = comm::PortListEntry(port);
    if (!entry) return 1;
    if (found++ == 0) first_found = port.PortName;
    if (!options.all && !opens(port.PortName)) return 1;
    ++listed;
    const std::string usb = port.UsbId != nullptr ? port.UsbId : "";
    if (options.json) {
      const nlohmann::json object{
          {"port", port.PortName},
          {"name", port.FriendlyName},
          {"bus", port.EnumeratorName},
          {"usb", usb},
          {"serial", port.SerialNumber != nullptr ? port.SerialNumber : ""}};
      std::fprintf(out, "%s\n",
                   object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
      std::fprintf(out, "%s%s\n", entry->c_str(), usb.empty() ? "" : ("   " + usb).c_str());
    }
    return 1;
  };
  if (!walk(list_port)) {
    const int code = comm::LastDiscoveryError();
    std::fprintf(err, "Error: Port discovery failed: %s (%d)\n",
                 std::system_category().message(code).c_str(), code);
    return kExitDiscoveryFailed;
  }
  std::fflush(out);
  if (found > 0 && listed == 0) {
    std::fprintf(err, "Warning: %s\n", NoneOpensText(found, first_found).c_str());
  }
  return kExitPortsListed;
}

int RunPorts(const PortsOptions& options) {
  comm::Comm comm;
  return ListPorts(
      options,
      [](const comm::PortCallback& callback) { return comm::EnumSerialPorts(callback, 0); },
      [&comm](const std::string& port) { return comm::ProbePort(comm, port, kProbeBaud); }, stdout,
      stderr);
}

}  // namespace cli
