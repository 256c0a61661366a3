#include "isp/wire/return_code.h"

#include <array>

namespace isp {
namespace {

constexpr std::array<std::string_view, 20> kNames = {
    "CMD_SUCCESS",         "INVALID_COMMAND",
    "SRC_ADDR_ERROR",      "DST_ADDR_ERROR",
    "SRC_ADDR_NOT_MAPPED", "DST_ADDR_NOT_MAPPED",
    "COUNT_ERROR",         "INVALID_SECTOR",
    "SECTOR_NOT_BLANK",    "SECTOR_NOT_PREPARED_FOR_WRITE_OPERATION",
    "COMPARE_ERROR",       "BUSY",
    "PARAM_ERROR",         "ADDR_ERROR",
    "ADDR_NOT_MAPPED",     "CMD_LOCKED",
    "INVALID_CODE",        "INVALID_BAUD_RATE",
    "INVALID_STOP_BIT",    "CODE_READ_PROTECTION_ENABLED",
};

}  // namespace

std::string_view ReturnCodeName(ReturnCode code) {
  const auto index = static_cast<std::size_t>(code);
  return index < kNames.size() ? kNames[index] : "UNKNOWN_CODE";
}

std::optional<ReturnCode> ParseReturnCode(std::string_view line) {
  if (line.empty() || line.size() > 2) return std::nullopt;
  unsigned value = 0;
  for (char c : line) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10u + static_cast<unsigned>(c - '0');
  }
  if (value >= kNames.size()) return std::nullopt;
  return static_cast<ReturnCode>(value);
}

}  // namespace isp
