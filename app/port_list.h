#pragma once

#include <functional>

#include "comm/port_discovery.h"

namespace app {

// Where the port list comes from: EnumSerialPorts in the program, a fixed
// set of ports in tests.
using PortEnumeratorFunction =
    std::function<int(const comm::PortCallback& callback, int user_value)>;
PortEnumeratorFunction& PortEnumerator();

}  // namespace app
