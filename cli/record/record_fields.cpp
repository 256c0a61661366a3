#include "cli/record/record_fields.h"

#include <cctype>
#include <cstdio>

namespace cli {

std::string SerialText(const std::array<std::uint32_t, 4>& words) {
  std::string text;
  for (const std::uint32_t word : words) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(word));
    if (!text.empty()) text += ' ';
    text += hex;
  }
  return text;
}

std::string BootCodeText(unsigned major, unsigned minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

std::string SerialKey(const std::string& text) {
  std::string key;
  std::size_t i = 0;
  while (i < text.size()) {
    // "0x" before a word is no digit of it.
    if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        (i == 0 || !std::isxdigit(static_cast<unsigned char>(text[i - 1])))) {
      i += 2;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i++]);
    if (std::isxdigit(c)) key += static_cast<char>(std::toupper(c));
  }
  return key;
}

nlohmann::json RecordJson(const RunRecord& record) {
  return {{"time_utc", record.time_utc},
          {"station_host", record.station_host},
          {"port", record.port},
          {"adapter_serial", record.adapter_serial},
          {"part_id", record.part_id},
          {"part_name", record.part_name},
          {"part_serial", record.part_serial},
          {"boot_code", record.boot_code},
          {"file", record.file},
          {"image_sha256", record.image_sha256},
          {"bytes", record.bytes},
          {"passed", record.passed},
          {"error", record.error},
          {"duration_ms", record.duration_ms}};
}

std::optional<RunRecord> RecordFromJson(const nlohmann::json& object) {
  if (!object.is_object()) return std::nullopt;
  RunRecord record;
  bool whole = true;
  const auto text = [&](const char* name, std::string& field) {
    const auto found = object.find(name);
    if (found == object.end() || !found->is_string()) {
      whole = false;
      return;
    }
    field = found->get<std::string>();
  };
  const auto number = [&](const char* name, auto& field) {
    const auto found = object.find(name);
    if (found == object.end() || !found->is_number_unsigned()) {
      whole = false;
      return;
    }
    field = found->get<std::remove_reference_t<decltype(field)>>();
  };
  text("time_utc", record.time_utc);
  text("station_host", record.station_host);
  text("port", record.port);
  text("adapter_serial", record.adapter_serial);
  number("part_id", record.part_id);
  text("part_name", record.part_name);
  text("part_serial", record.part_serial);
  text("boot_code", record.boot_code);
  text("file", record.file);
  text("image_sha256", record.image_sha256);
  number("bytes", record.bytes);
  const auto passed = object.find("passed");
  if (passed == object.end() || !passed->is_boolean()) return std::nullopt;
  record.passed = passed->get<bool>();
  text("error", record.error);
  number("duration_ms", record.duration_ms);
  if (!whole) return std::nullopt;
  return record;
}

std::string RecordLine(const RunRecord& record) {
  return RecordJson(record).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace cli
