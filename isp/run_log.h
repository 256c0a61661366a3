#pragma once

#include "comm/comm.h"

namespace isp {

// "commlog.txt" in the working directory: "Start", the raw traffic of one
// programming run, "End.". Created anew for every run and attached to the
// serial unit only while the run lasts. A log that cannot be created leaves
// the run without one.
void AttachRunLog(comm::Comm& comm);
// Writes "End.", closes the log and detaches it.
void DetachRunLog(comm::Comm& comm);

}  // namespace isp
