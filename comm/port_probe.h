#pragma once

#include <string>

#include "comm/comm.h"

namespace comm {

// Whether the port opens: opens it under its DevicePath at baud through the
// serial unit and closes it again, so the probe raises and drops DTR. A port
// that is absent, held by another opener or refused does not open; neither
// does any port while the serial unit already holds one, which it keeps
// open and untouched.
bool ProbePort(Comm& comm, const std::string& port_name, int baud);

}  // namespace comm
