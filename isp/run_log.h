#pragma once

#include <string>

#include "comm/comm.h"

namespace isp {

inline constexpr const char* kRunLogName = "commlog.txt";

// "commlog.txt" in the working directory: "Start", the raw traffic of one
// programming run, "End.". Created anew for every run and attached to the
// serial unit only while the run lasts. A log that cannot be created leaves
// the run without one: false, and why (if given) says why.
bool AttachRunLog(comm::Comm& comm, std::string* why = nullptr);
// The same log at another path (--log).
bool AttachRunLog(comm::Comm& comm, const std::string& path, std::string* why);
// Writes "End.", closes the log and detaches it. False when some of the log
// could not be written (a full disk): the log is incomplete, and why (if
// given) has the system's reason, e.g. "No space left on device".
bool DetachRunLog(comm::Comm& comm, std::string* why = nullptr);

}  // namespace isp
