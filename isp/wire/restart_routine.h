#pragma once

#include <cstdint>

namespace isp {

// Thumb code run from the RAM buffer to restart the controller:
//   ldr r0, [pc, #4]   ; 0xE000ED0C, the Application Interrupt and Reset Control Register
//   ldr r1, [pc, #8]   ; 0x05FA0004, register key and SYSRESETREQ
//   str r1, [r0]
//   b .                ; hold until the reset takes effect
inline constexpr std::uint8_t kRestartRoutine[16] = {
    0x01, 0x48, 0x02, 0x49, 0x01, 0x60, 0xFE, 0xE7, 0x0C, 0xED, 0x00, 0xE0, 0x04, 0x00, 0xFA, 0x05};
inline constexpr int kRestartChecksum = 1462;

// The routine as one encoded data line (its second CR comes from SendLine).
inline constexpr char kRestartLine[] = "0`4@\"20%@_N<,[0#@!`#Z!0``\r";

}  // namespace isp
