#include "cli/ports_command.h"

#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/port_access.h"
#include "comm/comm.h"
#include "comm/port_list_entry.h"
#include "comm/port_probe.h"

namespace cli {
namespace {

// Said when ports exist but none opened: why, as far as the device tells.
std::string NoneOpensText(std::size_t found, const std::string& first) {
  return std::to_string(found) + " serial port" + (found == 1 ? " was" : "s were") +
         " found, but none opens for this user" + NoneOpensReason(first) +
         "; \"tarvo-cli ports --all\" lists them";
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
