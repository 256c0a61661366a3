#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace isp_sim {

// Sending side of "R": blocks of up to 20 uuencoded lines, each block followed by its decimal
// checksum; the host answers every checksum with "OK" (next block) or "RESEND" (same block).
class MemoryReadTransfer {
 public:
  static constexpr std::size_t kLinesPerBlock = 20;

  explicit MemoryReadTransfer(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  // The current block: its data lines and then its checksum line.
  std::vector<std::string> block_lines() const;
  void advance() { block_start_ = block_end(); }
  bool complete() const { return block_start_ >= data_.size(); }

 private:
  std::size_t block_end() const;

  std::vector<std::uint8_t> data_;
  std::size_t block_start_ = 0;
};

}  // namespace isp_sim
