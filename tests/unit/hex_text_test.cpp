#include "isp/image/hex_text.h"

#include <gtest/gtest.h>

#include "cli/failure_text.h"
#include "isp/image/image_loader.h"
#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(HexTextTest, SmallReadIsRecordsAndTheEndRecord) {
  EXPECT_EQ(isp::IntelHexText(0x10, {0x01, 0x02, 0xFF}),
            ":030010000102FFEB\r\n"
            ":00000001FF\r\n");
  // Above 64 KiB the upper address bits come first.
  EXPECT_EQ(isp::IntelHexText(0x12340, {0xAA}),
            ":020000040001F9\r\n"
            ":01234000AAF2\r\n"
            ":00000001FF\r\n");
}

TEST(HexTextTest, TextReadsBackAsTheBytesAcrossA64KiBBoundary) {
  // An odd start, records cut at the boundary, a new upper address after it.
  std::vector<std::uint8_t> bytes(0x2345);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const std::uint32_t start = 0x10000 - 0x1003;
  const std::string text = isp::IntelHexText(start, bytes);
  for (std::size_t at = 0; (at = text.find(':', at)) != std::string::npos; ++at) {
    const std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - at, 1u + 2 * (5 + 16)) << "a record holds at most 16 bytes";
  }
  testing_support::ScopedTempDir dir;
  testing_support::WriteTextFile(dir.File("read.hex"), text);
  isp::FlashImage image;
  isp::ImageError error;
  ASSERT_TRUE(isp::LoadFlashImage(dir.File("read.hex"), 512 * 1024, image, error))
      << cli::ImageErrorText(error);
  EXPECT_EQ(image.End(), start + bytes.size());
  EXPECT_FALSE(image.Placed(0, start));
  for (std::size_t i = 0; i < bytes.size(); ++i)
    ASSERT_EQ(image.At(static_cast<std::uint32_t>(start + i)), bytes[i]) << i;
}

}  // namespace
