#pragma once

#include <string>

#include "comm/serial_backend.h"
#include "isp/classic/isp_window.h"
#include "isp/image/image_error.h"
#include "isp/verified/programmer_events.h"

namespace cli {

// What the failure text names besides the failure itself.
struct RunContext {
  std::string port;
  unsigned baud = 0;
  std::string file;
  // The command that ran ("program", "read", "erase", "verify", "info"), so
  // that advice names only options it has.
  std::string command;
};

// One sentence for the user: what went wrong, where (the command sent and
// what came back, the address), and what to try.
std::string DescribeFailure(const isp::Failure& failure, const RunContext& context);

// Why the port did not open, with the path, the system's words and the fix
// where there is one: every command that opens a port says it this way.
std::string PortOpenFailureText(const std::string& port, const comm::OpenError& error);

// The name of the group that owns the device (its number when it has no
// name); empty when it cannot be told, and always on Windows.
std::string DeviceGroupName(const std::string& path);

// Why an image file did not load, naming it: "Unable to open file app.hex:
// no such file", "app.hex is empty: there is nothing to write", "app.hex:
// Invalid HEX file: line 3: checksum mismatch".
std::string ImageFailureText(const std::string& path, const isp::ImageError& error);

// The same without the file's name, for the errors of what the file holds:
// "Invalid HEX file: line 3: checksum mismatch", "the ELF header is cut
// short", "16 bytes from address 524280 reach beyond the flash of every
// known part (512 KiB)".
std::string ImageErrorText(const isp::ImageError& error);

// Why the window's dialogue (--classic) stopped: the step, the command
// and what the part answered, e.g. `while unlocking: "U 23130" was answered
// "19" (CODE_READ_PROTECTION_ENABLED)`.
std::string StepFailureText(const isp::StepFailure& failure);

// The address as the part's manuals write it, e.g. 0x00001000.
std::string HexAddress(std::uint32_t address);

// The warning that a traffic log lost data (a full disk): "\"commlog.txt\" is
// incomplete: No space left on device".
std::string LogIncompleteText(const std::string& path, const std::string& why);

}  // namespace cli
