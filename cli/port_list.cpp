#include "cli/port_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "cli/port_argument.h"
#include "cli/run_outcome.h"
#include "cli/shown_name.h"

namespace cli {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The device a port names, so that two names of one device compare equal.
std::string DeviceKey(const std::string& port) {
#ifdef _WIN32
  std::string key = PortArgumentPath(port);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return key;
#else
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(port, error);
  return error ? port : canonical.string();
#endif
}

bool PortExists(const std::string& port) {
#ifdef _WIN32
  // COM ports are no files to look for: the open tells.
  (void)port;
  return true;
#else
  std::error_code error;
  return std::filesystem::exists(port, error);
#endif
}

std::string SafeName(const std::string& port) {
  std::string name = port;
  for (const char* prefix : {"/dev/", "\\\\.\\"}) {
    if (name.starts_with(prefix)) name.erase(0, std::string(prefix).size());
  }
  for (char& c : name) {
    const bool plain =
        std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    if (!plain) c = '_';
  }
  if (name.empty() || name.front() == '.') name.insert(0, "_");
  return name;
}

}  // namespace

std::optional<std::vector<std::string>> ReadPortsFile(const std::string& path, std::string& why) {
  std::ifstream in(path);
  if (!in) {
    std::error_code error;
    why = std::filesystem::exists(path, error) ? "it cannot be read" : "it does not exist";
    return std::nullopt;
  }
  std::vector<std::string> ports;
  std::string line;
  while (std::getline(in, line)) {
    const std::string name = Trimmed(line);
    if (name.empty() || name.front() == '#') continue;
    ports.push_back(name);
  }
  return ports;
}

std::optional<PortListRefusal> CheckPortList(const std::vector<std::string>& ports,
                                             bool must_exist) {
  if (ports.empty()) return PortListRefusal{"no port given", kExitUsage};
  std::map<std::string, std::string> seen;  // device, the name it came under first
  for (const std::string& port : ports) {
    const auto [at, fresh] = seen.emplace(DeviceKey(port), port);
    if (fresh) continue;
    const std::string text = at->second == port ? "the port " + ShownName(port) + " is named twice"
                                                : "the ports " + ShownName(at->second) + " and " +
                                                      ShownName(port) + " are one device";
    return PortListRefusal{text, kExitUsage};
  }
  for (const std::string& port : ports) {
    if (must_exist && !PortExists(port)) {
      return PortListRefusal{"the port " + ShownName(port) + " does not exist", kExitNotStarted};
    }
  }
  return std::nullopt;
}

std::vector<std::string> PortLogNames(const std::vector<std::string>& ports) {
  std::vector<std::string> names;
  std::map<std::string, int> uses;
  for (const std::string& port : ports) {
    const std::string safe = SafeName(port);
    const int use = ++uses[safe];
    names.push_back("commlog-" + safe + (use > 1 ? "-" + std::to_string(use) : "") + ".txt");
  }
  return names;
}

}  // namespace cli
