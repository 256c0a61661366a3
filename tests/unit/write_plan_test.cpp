#include "isp/verified/write_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const isp::PartInfo& Lpc1227() {
  return *isp::FindPart(0x3670002B);
}
const isp::PartInfo& Lpc1768() {
  return *isp::FindPart(0x26013F37);
}

isp::FlashImage ImageOf(std::uint32_t from, std::uint32_t to, std::uint8_t value = 0x5A) {
  isp::FlashImage image;
  std::vector<std::uint8_t> bytes(to - from, value);
  image.Place(from, bytes.data(), bytes.size(), 1);
  return image;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> Chunks(const isp::WritePlan& plan) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> chunks;
  for (const isp::Chunk& chunk : plan.chunks) chunks.emplace_back(chunk.flash, chunk.size);
  return chunks;
}

std::vector<std::pair<unsigned, unsigned>> Spans(const isp::WritePlan& plan) {
  std::vector<std::pair<unsigned, unsigned>> spans;
  for (const isp::SectorSpan& span : plan.erase) spans.emplace_back(span.first, span.last);
  return spans;
}

using ChunkList = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
using SpanList = std::vector<std::pair<unsigned, unsigned>>;

TEST(WritePlanTest, WholeSectorsGoInFullCopiesAndTheVectorTableLast) {
  const isp::WritePlan plan = isp::MakeWritePlan(ImageOf(0, 0x3000), Lpc1227(), false);
  EXPECT_EQ(Spans(plan), (SpanList{{0, 2}}));
  EXPECT_EQ(Chunks(plan), (ChunkList{{0x1000, 4096}, {0x2000, 4096}, {0, 4096}}));
  EXPECT_EQ(plan.ram_buffer, 0x10000300u);
  EXPECT_EQ(plan.bytes, 3u * 4096);
}

TEST(WritePlanTest, PartlyUsedSectorTakesSmallerCopies) {
  // 2 KiB into sector 1, and 16 bytes inside one 256-byte page of sector 3.
  isp::FlashImage image = ImageOf(0x1000, 0x1800);
  const std::uint8_t bytes[16] = {1};
  image.Place(0x3310, bytes, 16, 2);
  const isp::WritePlan plan = isp::MakeWritePlan(image, Lpc1227(), false);
  EXPECT_EQ(Spans(plan), (SpanList{{1, 1}, {3, 3}}));
  EXPECT_EQ(Chunks(plan), (ChunkList{{0x1000, 1024}, {0x1400, 1024}, {0x3300, 256}}));
  EXPECT_EQ(plan.bytes, 2304u);
}

TEST(WritePlanTest, ErasedDataIsErasedButNeverWritten) {
  isp::FlashImage image = ImageOf(0x2000, 0x3000, 0xFF);
  const isp::WritePlan plan = isp::MakeWritePlan(image, Lpc1227(), false);
  EXPECT_EQ(Spans(plan), (SpanList{{2, 2}}));
  EXPECT_TRUE(plan.chunks.empty());
  EXPECT_EQ(plan.bytes, 0u);
}

TEST(WritePlanTest, LargeSectorsAreErasedWholeAndWrittenInFullCopies) {
  const isp::WritePlan plan = isp::MakeWritePlan(ImageOf(0x10000, 0x12000), Lpc1768(), false);
  EXPECT_EQ(Spans(plan), (SpanList{{16, 16}}));
  EXPECT_EQ(Chunks(plan), (ChunkList{{0x10000, 4096}, {0x11000, 4096}}));
  EXPECT_EQ(plan.ram_buffer, 0x10000200u);
  for (const isp::Chunk& chunk : plan.chunks) EXPECT_EQ(chunk.sector, 16u);
}

TEST(WritePlanTest, EraseAllTakesEverySectorInOneSpan) {
  const isp::WritePlan plan = isp::MakeWritePlan(ImageOf(0, 0x100), Lpc1768(), true);
  EXPECT_EQ(Spans(plan), (SpanList{{0, 29}}));
  EXPECT_EQ(Chunks(plan), (ChunkList{{0, 256}}));
}

TEST(WritePlanTest, EmptyImagePlansNothing) {
  const isp::WritePlan plan = isp::MakeWritePlan(isp::FlashImage{}, Lpc1227(), false);
  EXPECT_TRUE(plan.erase.empty());
  EXPECT_TRUE(plan.chunks.empty());
}

// ECC flash lines may be programmed once per erase: chunks never overlap,
// each is a copy size at an address aligned to it, inside one sector, and
// together they cover every byte that is not erased.
TEST(WritePlanTest, ChunksCoverTheDataOnceInCopiesThePartTakes) {
  isp::FlashImage image;
  std::vector<std::uint8_t> bytes(0x20000, 0xFF);
  for (std::uint32_t at = 0; at < bytes.size(); ++at) {
    const std::uint32_t page = at / 256;
    if (page % 7 == 0 || page % 11 == 3 || (page > 200 && page < 230)) {
      bytes[at] = static_cast<std::uint8_t>(at * 13);
    }
  }
  image.Place(0, bytes.data(), bytes.size(), 1);
  const isp::WritePlan plan = isp::MakeWritePlan(image, Lpc1227(), false);
  std::vector<int> writes(bytes.size(), 0);
  std::uint32_t total = 0;
  for (const isp::Chunk& chunk : plan.chunks) {
    EXPECT_TRUE(chunk.size == 256 || chunk.size == 512 || chunk.size == 1024 || chunk.size == 4096);
    EXPECT_EQ(chunk.flash % chunk.size, 0u);
    EXPECT_EQ(isp::SectorAt(Lpc1227(), chunk.flash).number, chunk.sector);
    EXPECT_EQ(isp::SectorAt(Lpc1227(), chunk.flash + chunk.size - 1).number, chunk.sector);
    for (std::uint32_t i = 0; i < chunk.size; ++i) ++writes[chunk.flash + i];
    total += chunk.size;
  }
  for (std::uint32_t at = 0; at < bytes.size(); ++at) {
    ASSERT_LE(writes[at], 1) << at;
    if (bytes[at] != 0xFF) {
      ASSERT_EQ(writes[at], 1) << at;
    }
  }
  EXPECT_EQ(plan.bytes, total);
  EXPECT_EQ(plan.chunks.back().flash, 0u);
}

}  // namespace
