#include "isp/image/flash_image.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> words) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t word : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
  return bytes;
}

std::uint32_t VectorSum(const isp::FlashImage& image) {
  std::uint32_t sum = 0;
  for (std::uint32_t word = 0; word < 8; ++word) sum += image.Word(word * 4);
  return sum;
}

TEST(FlashImageTest, GapsReadErasedAndPlacementIsRemembered) {
  isp::FlashImage image;
  EXPECT_FALSE(image.HasData());
  const std::uint8_t bytes[] = {1, 2, 3};
  image.Place(0x20000, bytes, 3, 7);
  EXPECT_EQ(image.End(), 0x20003u);
  EXPECT_EQ(image.At(0x1FFFF), 0xFF);
  EXPECT_EQ(image.At(0x20001), 2);
  EXPECT_EQ(image.At(0x30000), 0xFF);
  EXPECT_TRUE(image.Placed(0x1F000, 0x1001));
  EXPECT_FALSE(image.Placed(0x1F000, 0x1000));
  EXPECT_EQ(image.FirstLineAtOrAbove(0x20000), 7);
  EXPECT_EQ(image.FirstLineAtOrAbove(0x20003), std::nullopt);
}

TEST(FlashImageTest, FirstLineBeyondALimitIsTheEarliestInTheFile) {
  isp::FlashImage image;
  const std::uint8_t byte = 0;
  image.Place(0x9000, &byte, 1, 30);
  image.Place(0x8000, &byte, 1, 12);
  image.Place(0x100, &byte, 1, 3);
  EXPECT_EQ(image.FirstLineAtOrAbove(0x8000), 12);
}

TEST(FlashImageTest, ChecksumWordGoesIntoVectorSevenAndLeavesWordSixAlone) {
  isp::FlashImage image;
  const auto vectors = Words({0x10002000, 0x000000C1, 0x000000C3, 0x000000C5, 0x000000C7,
                              0x000000C9, 0x000000CB, 0x12345678});
  image.Place(0, vectors.data(), vectors.size(), 1);
  ASSERT_TRUE(image.SetChecksumWord7());
  EXPECT_EQ(VectorSum(image), 0u);
  EXPECT_EQ(image.Word(24), 0x000000CBu);
  EXPECT_EQ(image.Word(28), 0u - (0x10002000u + 0xC1 + 0xC3 + 0xC5 + 0xC7 + 0xC9 + 0xCB));

  // A file that already carries the word is written unchanged.
  isp::FlashImage again;
  std::vector<std::uint8_t> fixed(32);
  for (std::uint32_t i = 0; i < 32; ++i) fixed[i] = image.At(i);
  again.Place(0, fixed.data(), fixed.size(), 1);
  ASSERT_TRUE(again.SetChecksumWord7());
  for (std::uint32_t i = 0; i < 32; ++i) EXPECT_EQ(again.At(i), fixed[i]) << i;
}

TEST(FlashImageTest, ImageWithoutAVectorTableGetsNoChecksum) {
  isp::FlashImage image;
  const std::uint8_t bytes[] = {0xAA};
  image.Place(0x4000, bytes, 1, 1);
  EXPECT_FALSE(image.SetChecksumWord7());
  EXPECT_FALSE(image.Placed(0, 32));
  EXPECT_EQ(image.Word(28), 0xFFFFFFFFu);
}

TEST(FlashImageTest, ProtectionWordSetsTheLevel) {
  const struct {
    std::uint32_t word;
    isp::ProtectionLevel level;
    bool locks;
  } cases[] = {
      {0x12345678, isp::ProtectionLevel::kCrp1, false},
      {0x87654321, isp::ProtectionLevel::kCrp2, false},
      {0x43218765, isp::ProtectionLevel::kCrp3, true},
      {0x4E697370, isp::ProtectionLevel::kNoIsp, true},
      {0xFFFFFFFF, isp::ProtectionLevel::kNone, false},
      {0x12345679, isp::ProtectionLevel::kNone, false},
  };
  for (const auto& c : cases) {
    isp::FlashImage image;
    const auto word = Words({c.word});
    image.Place(isp::kProtectionWordAddress, word.data(), word.size(), 1);
    EXPECT_EQ(isp::ProtectionOf(image), c.level) << std::hex << c.word;
    EXPECT_EQ(isp::LocksThePart(isp::ProtectionOf(image)), c.locks) << std::hex << c.word;
  }
  EXPECT_EQ(isp::ProtectionOf(isp::FlashImage{}), isp::ProtectionLevel::kNone);
  EXPECT_STREQ(isp::ProtectionName(isp::ProtectionLevel::kNoIsp), "NO_ISP");
}

}  // namespace
