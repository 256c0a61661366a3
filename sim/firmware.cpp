#include "firmware.hpp"

namespace isp_sim {

FirmwareEvent Firmware::on_byte(char byte) {
  if (byte == '*') {
    report_.firmware_commands.emplace_back("*");
    return FirmwareEvent::kSystemReset;
  }
  const auto line = lines_.push(byte);
  return line ? on_line(*line) : FirmwareEvent::kNone;
}

FirmwareEvent Firmware::on_line(const std::string& line) {
  if (line == "!") {
    report_.firmware_commands.push_back(line);
    wire_.send("!");
    return FirmwareEvent::kEnterBootLoader;
  }
  if (line == "EA=1" || line == "CR") {
    report_.firmware_commands.push_back(line);
    wire_.echo_line(line);
  }
  return FirmwareEvent::kNone;
}

}  // namespace isp_sim
