#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// Why a list of ports cannot be run, and the exit status that says so.
struct PortListRefusal {
  std::string text;
  int status = 0;
};

// The ports of a --ports-file: one a line, blanks around a name ignored,
// empty lines and lines that begin with "#" skipped. Nothing, with why,
// when the file cannot be read.
std::optional<std::vector<std::string>> ReadPortsFile(const std::string& path, std::string& why);

// Judges the ports before any is opened: a port named twice (also under
// two names of one device) is a usage error; a port that does not exist
// ends the run as a port that does not open, unless it may appear later
// (a station waits for its adapter). Nothing when all may run.
std::optional<PortListRefusal> CheckPortList(const std::vector<std::string>& ports,
                                             bool must_exist = true);

// The traffic log of each port, "commlog-<port>.txt", with the port made
// safe as a file name ("/dev/ttyUSB0" gives "commlog-ttyUSB0.txt"); ports
// that would share a name get "-2", "-3" after it.
std::vector<std::string> PortLogNames(const std::vector<std::string>& ports);

}  // namespace cli
