#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "isp/wire/restart_routine.h"
#include "isp/wire/uuencode.h"

namespace {

std::string Encode(const std::string& bytes) {
  char out[5] = "xxxx";
  isp::UuEncodeGroup(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                     static_cast<int>(bytes.size()), out);
  return std::string(out, 5);
}

TEST(UuEncodeGroupTest, EncodesGroupsWithGraveAccentForZero) {
  struct Case {
    std::string bytes;
    std::string encoded;
  } cases[] = {
      {"abc", "86)C"}, {"\xFF\xFF\xFF", "____"},       {"ab", "86(`"},
      {"a", "80``"},   {std::string(3, '\0'), "````"}, {"\x42", "0@``"},
  };
  for (const Case& c : cases) EXPECT_EQ(Encode(c.bytes), c.encoded + '\0') << c.encoded;
}

TEST(UuEncodeGroupTest, ShortGroupIgnoresBytesBeyondItsCount) {
  // The bytes after the count are not part of the group, whatever they hold.
  char out[5];
  const std::uint8_t bytes[3] = {'a', 'b', 0xFF};
  isp::UuEncodeGroup(bytes, 2, out);
  EXPECT_STREQ(out, "86(`");
}

TEST(RestartRoutineTest, LineAndChecksumEncodeTheRoutine) {
  std::string line(1, static_cast<char>(16 + 32));
  for (int at = 0; at < 16; at += 3) {
    char group[5];
    isp::UuEncodeGroup(isp::kRestartRoutine + at, std::min(3, 16 - at), group);
    line += group;
  }
  EXPECT_EQ(line + "\r", isp::kRestartLine);
  EXPECT_EQ(std::accumulate(std::begin(isp::kRestartRoutine), std::end(isp::kRestartRoutine), 0),
            isp::kRestartChecksum);
  EXPECT_EQ(std::string(isp::kRestartLine).size(), 26u);
}

}  // namespace
