#pragma once

#include <string>

#include "comm/serial_backend.h"
#include "isp/programmer_events.h"

namespace cli {

// What the failure text names besides the failure itself.
struct RunContext {
  std::string port;
  unsigned baud = 0;
  std::string file;
};

// One sentence for the user: what went wrong, where (the command sent and
// what came back, the address), and what to try.
std::string DescribeFailure(const isp::Failure& failure, const RunContext& context);

// Why the port did not open, with the fix where there is one.
std::string OpenFailureText(const std::string& port, const comm::OpenError& error);

// The address as the part's manuals write it, e.g. 0x00001000.
std::string HexAddress(std::uint32_t address);

}  // namespace cli
