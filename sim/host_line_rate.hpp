#pragma once

#include <cstdint>
#include <optional>

namespace isp_sim {

// The line rate the host has set on its end of the pty. A pty carries no rate, but Linux keeps
// the slave's terminal settings where the master can read them (TCGETS2 on the master reports
// the slave's), so the rate the host asked its "UART" for is known here. Nothing when it cannot
// be read.
std::optional<std::uint32_t> host_line_rate(int master_fd);

}  // namespace isp_sim
