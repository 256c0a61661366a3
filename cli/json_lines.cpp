#include "cli/json_lines.h"

#include <nlohmann/json.hpp>

namespace cli {

namespace {

// Text from the system may hold bytes that are no UTF-8: replaced, never
// thrown. With several ports at once every object names its port.
std::string Line(const std::string& port, nlohmann::json object) {
  if (!port.empty()) object["port"] = port;
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

void JsonLines::Emit(const std::string& line) {
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

void JsonLines::Phase(const std::string& phase, bool ok, const std::string& text) {
  Emit(Line(port_,
            nlohmann::json{{"event", "phase"}, {"phase", phase}, {"ok", ok}, {"text", text}}));
}

void JsonLines::Verified(const char* mode, std::uint32_t bytes, std::uint32_t in_ram,
                         std::uint32_t not_compared, const std::string& text) {
  Emit(Line(port_, nlohmann::json{{"event", "phase"},
                                  {"phase", "Verify"},
                                  {"ok", true},
                                  {"text", text},
                                  {"mode", mode},
                                  {"bytes", bytes},
                                  {"in_ram", in_ram},
                                  {"not_compared", not_compared}}));
}

void JsonLines::Identified(const std::string& text, const isp::PartInfo& part) {
  Emit(Line(port_, nlohmann::json{{"event", "phase"},
                                  {"phase", "Identify"},
                                  {"ok", true},
                                  {"text", text},
                                  {"part", part.name},
                                  {"part_id", part.id},
                                  {"flash_size", part.flash_size},
                                  {"ram_size", part.ram_size}}));
}

void JsonLines::Detail(const std::string& label, const std::string& text) {
  Emit(Line(port_, nlohmann::json{{"event", "detail"}, {"label", label}, {"text", text}}));
}

void JsonLines::Progress(std::uint32_t done, std::uint32_t total, unsigned baud) {
  const int percent = total == 0 ? 100 : static_cast<int>(std::uint64_t{done} * 100 / total);
  nlohmann::json event{
      {"event", "progress"}, {"done", done}, {"total", total}, {"percent", percent}};
  if (baud != 0) event["baud"] = baud;
  Emit(Line(port_, event));
}

void JsonLines::LineRate(unsigned baud) {
  Emit(Line(port_, nlohmann::json{{"event", "line_rate"}, {"baud", baud}}));
}

void JsonLines::Warning(const std::string& text) {
  Emit(Line(port_, nlohmann::json{{"event", "warning"}, {"text", text}}));
}

void JsonLines::Error(const std::string& text) {
  Emit(Line(port_, nlohmann::json{{"event", "error"}, {"text", text}}));
}

void JsonLines::File(const std::string& name, const std::string& path) {
  Emit(Line(port_, nlohmann::json{{"event", "file"}, {"name", name}, {"path", path}}));
}

void JsonLines::Result(bool ok, std::uint32_t bytes, double seconds, double write_seconds) {
  const double rate = write_seconds > 0 ? bytes / write_seconds : 0.0;
  Emit(Line(port_, nlohmann::json{{"event", "result"},
                                  {"ok", ok},
                                  {"bytes", bytes},
                                  {"seconds", seconds},
                                  {"write_seconds", write_seconds},
                                  {"rate", rate}}));
}

void JsonLines::ModuleResult(bool ok, const std::string& sent, bool echoed) {
  Emit(Line(port_,
            nlohmann::json{{"event", "result"}, {"ok", ok}, {"sent", sent}, {"echoed", echoed}}));
}

}  // namespace cli
