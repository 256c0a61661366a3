#include "uu_codec.hpp"

#include <gtest/gtest.h>

#include <numeric>

namespace isp_sim {
namespace {

std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST(UuCodec, EncodesKnownLinesWithBacktickForZero) {
  EXPECT_EQ(uu_encode_line(bytes_of("Cat")), "#0V%T");
  EXPECT_EQ(uu_encode_line(std::vector<std::uint8_t>{0, 0, 0, 1}), "$`````0``");
  EXPECT_EQ(uu_encode_line(std::vector<std::uint8_t>(8, 0xFF)), "(__________\\`");
  EXPECT_EQ(uu_encode_line(std::vector<std::uint8_t>(45, 0x41)).front(), 'M');
}

TEST(UuCodec, DecodesSpaceAndBacktickBothAsZero) {
  EXPECT_EQ(uu_decode_line("$`````0``"), (std::vector<std::uint8_t>{0, 0, 0, 1}));
  EXPECT_EQ(uu_decode_line("$     0  "), (std::vector<std::uint8_t>{0, 0, 0, 1}));
  EXPECT_EQ(uu_decode_line("#0V%T"), bytes_of("Cat"));
}

TEST(UuCodec, RejectsMalformedLines) {
  const char* const bad[] = {
      "",        // no length character
      "#0V%",    // one character short
      "#0V%TT",  // one character too many
      "#0v%T",   // 'v' is outside ' '..'`'
      "N"
      "0000000000000000000000000000000000000000000000000000000000000000",  // 46 bytes
  };
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(uu_decode_line(line).has_value());
  }
}

TEST(UuCodec, RoundTripsEveryLineLength) {
  for (std::size_t length = 1; length <= kUuLineBytes; ++length) {
    std::vector<std::uint8_t> data(length);
    std::iota(data.begin(), data.end(), static_cast<std::uint8_t>(256 - length));
    EXPECT_EQ(uu_decode_line(uu_encode_line(data)), data) << "length " << length;
  }
  EXPECT_THROW(uu_encode_line(std::vector<std::uint8_t>(46, 0)), std::invalid_argument);
}

}  // namespace
}  // namespace isp_sim
