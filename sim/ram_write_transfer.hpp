#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "part_memory.hpp"

namespace isp_sim {

// Receiving side of "W": uuencoded lines, and after every 20 lines and after the last one a
// decimal checksum line covering the bytes since the previous checksum.
class RamWriteTransfer {
 public:
  static constexpr unsigned kLinesPerBlock = 20;

  enum class Verdict {
    kNone,    // a data line was taken, nothing to answer yet
    kOk,      // checksum matched, the block is in RAM
    kResend,  // checksum did not match, the block was dropped
  };

  // Damage done to the transfer's first block once its checksum has matched.
  enum class Damage {
    kNone,
    // Bytes 8 and 9 changed by +1 and -1 (or -1 and +1 where a byte would
    // wrap): errors on the line that the block's byte sum cannot see. A pair
    // of equal bytes at 0x00 or 0xFF is left as it is.
    kOffsetting,
    // Byte 16 inverted after the block was taken: a RAM buffer that no
    // longer holds what the host sent.
    kCorruptByte,
  };
  static constexpr std::size_t kOffsettingAt = 8;
  static constexpr std::size_t kCorruptAt = 16;

  RamWriteTransfer(std::uint32_t address, std::uint32_t count, bool always_resend,
                   Damage damage = Damage::kNone);

  Verdict on_line(std::string_view line, PartMemory& memory);
  bool complete() const { return committed_ == count_; }

 private:
  bool block_closed() const;
  void take_data_line(std::string_view line);
  Verdict take_checksum(std::string_view line, PartMemory& memory);
  void do_damage();

  std::uint32_t address_;
  std::uint32_t count_;
  bool always_resend_;
  Damage damage_;
  std::uint32_t committed_ = 0;
  std::vector<std::uint8_t> block_;
  unsigned block_lines_ = 0;
  bool block_corrupt_ = false;
};

}  // namespace isp_sim
