#include "memory_read_transfer.hpp"

#include <algorithm>
#include <numeric>
#include <span>

#include "uu_codec.hpp"

namespace isp_sim {

std::size_t MemoryReadTransfer::block_end() const {
  return std::min(block_start_ + kLinesPerBlock * kUuLineBytes, data_.size());
}

std::vector<std::string> MemoryReadTransfer::block_lines() const {
  const std::span<const std::uint8_t> block(data_.data() + block_start_,
                                            block_end() - block_start_);
  std::vector<std::string> lines;
  for (std::size_t offset = 0; offset < block.size(); offset += kUuLineBytes) {
    lines.push_back(
        uu_encode_line(block.subspan(offset, std::min(kUuLineBytes, block.size() - offset))));
  }
  lines.push_back(std::to_string(std::accumulate(block.begin(), block.end(), 0u)));
  return lines;
}

}  // namespace isp_sim
