#pragma once

#include <string>

namespace isp_sim {

// Status codes of the LPC ISP command handler, as sent on the wire in decimal.
enum class ReturnCode : int {
  kSuccess = 0,
  kInvalidCommand = 1,
  kSrcAddrError = 2,
  kDstAddrError = 3,
  kSrcAddrNotMapped = 4,
  kDstAddrNotMapped = 5,
  kCountError = 6,
  kInvalidSector = 7,
  kSectorNotBlank = 8,
  kSectorNotPrepared = 9,
  kCompareError = 10,
  kBusy = 11,
  kParamError = 12,
  kAddrError = 13,
  kAddrNotMapped = 14,
  kCmdLocked = 15,
  kInvalidCode = 16,
  kInvalidBaudRate = 17,
  kInvalidStopBit = 18,
  kCodeReadProtectionEnabled = 19,
};

inline std::string to_wire(ReturnCode code) {
  return std::to_string(static_cast<int>(code));
}

}  // namespace isp_sim
