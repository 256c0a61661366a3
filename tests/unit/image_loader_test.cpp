#include "isp/image/image_loader.h"

#include <gtest/gtest.h>

#include "cli/failure_text.h"

#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::HexRecord;

class ImageLoaderTest : public ::testing::Test {
 protected:
  bool Load(const std::string& text, std::uint32_t limit = 512 * 1024) {
    testing_support::WriteTextFile(dir.File("image.hex"), text);
    return isp::LoadFlashImage(dir.File("image.hex"), limit, image, error);
  }

  testing_support::ScopedTempDir dir;
  isp::FlashImage image;
  isp::ImageError error;
};

TEST_F(ImageLoaderTest, RecordsLandAtTheirThirtyTwoBitAddresses) {
  const std::string text =
      HexRecord(0, 0x0000, {0x01, 0x02}) + "\n" + HexRecord(4, 0, {0x00, 0x01}) + "\n" +  // 0x10000
      HexRecord(0, 0x2345, {0xAA}) + "\n" + HexRecord(2, 0, {0x30, 0x00}) + "\n" +        // 0x30000
      HexRecord(0, 0x0010, {0xBB, 0xCC}) + "\n:00000001FF\n";
  ASSERT_TRUE(Load(text)) << cli::ImageErrorText(error);
  EXPECT_EQ(image.At(0), 0x01);
  EXPECT_EQ(image.At(1), 0x02);
  EXPECT_EQ(image.At(0x12345), 0xAA);
  EXPECT_EQ(image.At(0x30010), 0xBB);
  EXPECT_EQ(image.End(), 0x30012u);
  // Gaps read erased and count as untouched.
  EXPECT_EQ(image.At(0x20000), 0xFF);
  EXPECT_FALSE(image.Placed(0x20000, 0x1000));
  EXPECT_EQ(image.FirstLineAtOrAbove(0x30000), 5);
}

TEST_F(ImageLoaderTest, DataBeyondTheLimitIsRefusedNamingItsLine) {
  const std::string text = HexRecord(0, 0x7FF0, {1, 2, 3, 4}) + "\n" +
                           HexRecord(0, 0x7FFE, {5, 6, 7}) + "\n:00000001FF\n";
  EXPECT_FALSE(Load(text, 0x8000));
  EXPECT_EQ(cli::ImageErrorText(error),
            "Invalid HEX file: line 2: data beyond the flash of every known part (32 KiB)");
  EXPECT_FALSE(image.HasData());
  // A record that ends right at the limit is in.
  EXPECT_TRUE(Load(HexRecord(0, 0x7FFE, {5, 6}) + "\n:00000001FF\n", 0x8000))
      << cli::ImageErrorText(error);
}

TEST_F(ImageLoaderTest, RefusedFilesSayWhyInTheReadersWords) {
  EXPECT_FALSE(Load(":00000001FF\n"));
  EXPECT_EQ(cli::ImageErrorText(error), "Invalid HEX file: no data records");
  EXPECT_FALSE(Load(":0100000001FF\n:00000001FF\n"));
  EXPECT_EQ(cli::ImageErrorText(error), "Invalid HEX file: line 1: checksum mismatch");
  EXPECT_EQ(error.kind, isp::ImageErrorKind::kBadRecord);
  EXPECT_EQ(error.line, 1);
  EXPECT_FALSE(isp::LoadFlashImage(dir.File("missing.hex"), 1024, image, error));
  EXPECT_EQ(error.kind, isp::ImageErrorKind::kNotFound);
  EXPECT_FALSE(isp::LoadFlashImage(dir.Path().string(), 1024, image, error));
  EXPECT_EQ(error.kind, isp::ImageErrorKind::kIsAFolder);
}

}  // namespace
