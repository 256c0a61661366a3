#include "ram_write_transfer.hpp"

#include <algorithm>
#include <numeric>

#include "command_line.hpp"
#include "uu_codec.hpp"

namespace isp_sim {

RamWriteTransfer::RamWriteTransfer(std::uint32_t address, std::uint32_t count, bool always_resend,
                                   Damage damage)
    : address_(address), count_(count), always_resend_(always_resend), damage_(damage) {}

void RamWriteTransfer::do_damage() {
  if (damage_ == Damage::kCorruptByte && block_.size() > kCorruptAt) {
    block_[kCorruptAt] = static_cast<std::uint8_t>(~block_[kCorruptAt]);
  }
  if (damage_ == Damage::kOffsetting && block_.size() > kOffsettingAt + 1) {
    std::uint8_t& first = block_[kOffsettingAt];
    std::uint8_t& second = block_[kOffsettingAt + 1];
    if (first < 0xFF && second > 0) {
      ++first;
      --second;
    } else if (first > 0 && second < 0xFF) {
      --first;
      ++second;
    }
  }
  damage_ = Damage::kNone;
}

RamWriteTransfer::Verdict RamWriteTransfer::on_line(std::string_view line, PartMemory& memory) {
  if (block_closed()) return take_checksum(line, memory);
  take_data_line(line);
  return Verdict::kNone;
}

bool RamWriteTransfer::block_closed() const {
  return block_lines_ > 0 &&
         (block_lines_ == kLinesPerBlock || committed_ + block_.size() >= count_);
}

void RamWriteTransfer::take_data_line(std::string_view line) {
  const std::size_t room = count_ - committed_ - block_.size();
  ++block_lines_;
  if (const auto bytes = uu_decode_line(line); bytes && bytes->size() <= room) {
    block_.insert(block_.end(), bytes->begin(), bytes->end());
    return;
  }
  // A damaged line still counts as a line; the bytes it claims are taken as zeros so the
  // checksum after it fails and the host sends the block again.
  block_corrupt_ = true;
  block_.resize(block_.size() + std::min(uu_declared_length(line).value_or(0), room));
}

RamWriteTransfer::Verdict RamWriteTransfer::take_checksum(std::string_view line,
                                                          PartMemory& memory) {
  const auto expected = parse_decimal(line);
  const std::uint32_t sum = std::accumulate(block_.begin(), block_.end(), std::uint32_t{0});
  const bool good = !always_resend_ && !block_corrupt_ && expected && *expected == sum;
  if (good) {
    do_damage();
    memory.write_ram(address_ + committed_, block_);
    committed_ += static_cast<std::uint32_t>(block_.size());
  }
  block_.clear();
  block_lines_ = 0;
  block_corrupt_ = false;
  return good ? Verdict::kOk : Verdict::kResend;
}

}  // namespace isp_sim
