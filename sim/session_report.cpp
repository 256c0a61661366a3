#include "session_report.hpp"

namespace isp_sim {
namespace {

template <typename T>
nlohmann::json optional_value(const std::optional<T>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace

nlohmann::json to_json(const SessionReport& report) {
  nlohmann::json blocks = nlohmann::json::array();
  for (const CopiedBlock& block : report.copied_blocks) {
    blocks.push_back({{"flash", block.flash}, {"ram", block.ram}, {"count", block.count}});
  }
  nlohmann::json refused = nlohmann::json::array();
  for (const RefusedCommand& entry : report.refused_commands) {
    refused.push_back({{"command", entry.command}, {"code", entry.code}});
  }
  nlohmann::json programs = nlohmann::json::array();
  for (const ProgramStart& start : report.programs_started) {
    programs.push_back({{"address", start.address},
                        {"mode", std::string(1, start.mode)},
                        {"outcome", start.outcome}});
  }
  nlohmann::json rates = nlohmann::json::array();
  for (const auto& [baud, bytes] : report.line_rates) {
    rates.push_back({{"baud", baud == 0 ? nlohmann::json(nullptr) : nlohmann::json(baud)},
                     {"bytes_sent", bytes.sent},
                     {"bytes_received", bytes.received}});
  }
  return {
      {"part", report.part},
      {"synchronised", report.synchronised},
      {"unlocked", report.unlocked},
      {"sectors_erased", report.sectors_erased},
      {"copies", report.copied_blocks.size()},
      {"copied_blocks", blocks},
      {"flash_lines_programmed_twice", report.flash_lines_programmed_twice},
      {"user_code_valid", report.user_code_valid},
      {"code_read_protection", report.code_read_protection},
      {"firmware_running", report.firmware_running},
      {"resets", report.resets},
      {"refused_commands", refused},
      {"firmware_commands", report.firmware_commands},
      {"programs_started", programs},
      {"crystal_khz", optional_value(report.crystal_khz)},
      {"baud_rate", optional_value(report.baud_rate)},
      {"hang_ups", report.hang_ups},
      {"bytes_sent", report.bytes_sent},
      {"bytes_received", report.bytes_received},
      {"line_rates", rates},
  };
}

}  // namespace isp_sim
