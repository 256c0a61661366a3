#include "isp/wire/uu_lines.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "isp/wire/restart_routine.h"

namespace {

TEST(UuLinesTest, RestartRoutineEncodesAsTheKnownLine) {
  const std::string line = isp::UuEncodeLine(isp::kRestartRoutine, sizeof isp::kRestartRoutine);
  EXPECT_EQ(line + "\r", isp::kRestartLine);
  const auto decoded = isp::UuDecodeLine(line);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, std::vector<std::uint8_t>(std::begin(isp::kRestartRoutine),
                                                std::end(isp::kRestartRoutine)));
}

TEST(UuLinesTest, EveryLengthAndByteValueComesBackUnchanged) {
  std::vector<std::uint8_t> bytes(isp::kUuLineBytes);
  for (std::size_t count = 1; count <= isp::kUuLineBytes; ++count) {
    for (std::size_t i = 0; i < count; ++i)
      bytes[i] = static_cast<std::uint8_t>(count * 37 + i * 91);
    const std::string line = isp::UuEncodeLine(bytes.data(), count);
    EXPECT_EQ(line.size(), 1 + 4 * ((count + 2) / 3));
    const auto decoded = isp::UuDecodeLine(line);
    ASSERT_TRUE(decoded) << count;
    EXPECT_EQ(*decoded,
              std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(count)));
  }
}

TEST(UuLinesTest, SpaceAndGraveAccentBothDecodeAsZero) {
  EXPECT_EQ(isp::UuDecodeLine("#    "), (std::vector<std::uint8_t>{0, 0, 0}));
  EXPECT_EQ(isp::UuDecodeLine("#````"), (std::vector<std::uint8_t>{0, 0, 0}));
}

TEST(UuLinesTest, MalformedLinesAreRefused) {
  for (const char* line : {"", "#```", "#`````", "!a```", "N````", "#``\x7F`"})
    EXPECT_FALSE(isp::UuDecodeLine(line)) << line;
}

}  // namespace
