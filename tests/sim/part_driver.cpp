#include "part_driver.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <span>

#include "uu_codec.hpp"

namespace isp_sim::testing {

PartDriver::PartDriver(PartSettings settings, std::vector<std::uint8_t> flash)
    : dialect_(settings.echo), part_(settings, flash), now_(TimePoint{} + std::chrono::hours(1)) {}

void PartDriver::feed() {
  while (!waiting_.empty() && !part_.busy(now_)) {
    waiting_.erase(0, part_.receive(waiting_, now_));
  }
}

std::string PartDriver::send(std::string_view bytes) {
  waiting_ += bytes;
  feed();
  return part_.take_output(now_);
}

std::string PartDriver::wait(std::chrono::milliseconds delay) {
  const TimePoint end = now_ + delay;
  std::string output;
  // Step through the ends of busy spells, so that waiting bytes go in when the part is free.
  while (!waiting_.empty() && part_.busy(now_) && part_.busy_until() <= end) {
    now_ = part_.busy_until();
    feed();
  }
  now_ = end;
  feed();
  return part_.take_output(now_);
}

std::string PartDriver::echo_of(std::string_view line, std::string_view line_end) const {
  if (dialect_ == EchoDialect::kCrLf) return std::string(line) + "\r\n";
  std::string echo(line);
  for (std::size_t i = 0; i < line_end.size(); ++i) {
    if (line_end[i] == '\n' && i > 0 && line_end[i - 1] == '\r') continue;  // swallowed
    echo += line_end[i];
  }
  return echo;
}

void PartDriver::synchronise() {
  ASSERT_EQ(send("?"), "Synchronized\r\n");
  ASSERT_EQ(send("Synchronized\r\n"), echo_of("Synchronized", "\r\n") + "OK\r\n");
  ASSERT_EQ(send("12000\r\n"), echo_of("12000", "\r\n") + "OK\r\n");
}

void PartDriver::unlock() {
  ASSERT_EQ(command("U 23130"), echo_of("U 23130", "\r\n") + "0\r\n");
}

void PartDriver::write_ram(std::uint32_t address, const std::vector<std::uint8_t>& data) {
  const std::string header = "W " + std::to_string(address) + " " + std::to_string(data.size());
  ASSERT_EQ(command(header), echo_of(header, "\r\n") + "0\r\n");
  constexpr std::size_t kBlock = 20 * kUuLineBytes;
  for (std::size_t start = 0; start < data.size(); start += kBlock) {
    const std::span<const std::uint8_t> block(data.data() + start,
                                              std::min(kBlock, data.size() - start));
    for (std::size_t offset = 0; offset < block.size(); offset += kUuLineBytes) {
      const std::string line =
          uu_encode_line(block.subspan(offset, std::min(kUuLineBytes, block.size() - offset)));
      ASSERT_EQ(send(line + "\r\r"), echo_of(line, "\r\r"));
    }
    const std::string sum = std::to_string(std::accumulate(block.begin(), block.end(), 0u));
    ASSERT_EQ(command(sum), echo_of(sum, "\r\n") + "OK\r\n");
  }
}

std::string lines(std::initializer_list<std::string_view> texts) {
  std::string joined;
  for (std::string_view text : texts) {
    joined += text;
    joined += "\r\n";
  }
  return joined;
}

std::string echoed_reply(std::string_view line, int code) {
  return lines({line, std::to_string(code)});
}

std::vector<std::uint8_t> valid_user_code_image() {
  std::vector<std::uint8_t> image(32, 0);
  const std::uint32_t words[7] = {0x10002000, 0x000000C1, 0x000000C3, 0x000000C5,
                                  0x000000C7, 0x000000C9, 0x000000CB};
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const std::uint32_t word = i < 7 ? words[i] : 0u - sum;
    sum += word;
    for (std::size_t byte = 0; byte < 4; ++byte) {
      image[i * 4 + byte] = static_cast<std::uint8_t>(word >> (8 * byte));
    }
  }
  return image;
}

}  // namespace isp_sim::testing
