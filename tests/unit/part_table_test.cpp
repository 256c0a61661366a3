#include "isp/part_table.h"

#include <gtest/gtest.h>

#include <numeric>

#include "isp/verified/write_plan.h"

namespace {

struct Row {
  std::uint32_t id;
  const char* name;
  std::uint32_t flash_kib;
  std::size_t sectors;
  std::uint32_t ram_kib;
  std::uint32_t buffer_start;
  bool ecc;
  std::uint32_t boot_rom_window;
};

// The rows the simulator's table shares with the host's. The LPC17xx ids
// are 637615927 and 637606178 in decimal, as J answers them.
const Row kRows[] = {
    {0x3670002B, "LPC1227", 128, 32, 8, 0x10000300, true, 512},
    {0x00050080, "LPC1115/303", 64, 16, 8, 0x10000300, true, 512},
    {0x0444102B, "LPC1114/301", 32, 8, 8, 0x10000300, true, 512},
    {0x3D00002B, "LPC1343", 32, 8, 8, 0x10000300, true, 512},
    {0x08020543, "LPC1347", 64, 16, 8, 0x10000300, true, 512},
    {0x26013F37, "LPC1768", 512, 30, 32, 0x10000200, false, 64},
    {0x26011922, "LPC1764", 128, 18, 16, 0x10000200, false, 64},
};

TEST(PartTableTest, EveryKnownPartHasItsGeometry) {
  EXPECT_EQ(isp::KnownParts().size(), std::size(kRows));
  for (const Row& row : kRows) {
    const isp::PartInfo* part = isp::FindPart(row.id);
    ASSERT_NE(part, nullptr) << row.name;
    EXPECT_STREQ(part->name, row.name);
    EXPECT_EQ(part->flash_size, row.flash_kib * 1024) << row.name;
    EXPECT_EQ(part->ram_size, row.ram_kib * 1024) << row.name;
    EXPECT_EQ(part->ram_buffer_start, row.buffer_start) << row.name;
    // The W range ends 256 bytes below the top of RAM.
    EXPECT_EQ(part->ram_buffer_end, 0x10000000 + part->ram_size - 256) << row.name;
    EXPECT_EQ(part->ecc_lines, row.ecc) << row.name;
    EXPECT_EQ(part->boot_rom_window, row.boot_rom_window) << row.name;
    // The safe assumption: R shows the boot ROM in the window, as M does.
    EXPECT_FALSE(part->read_sees_flash) << row.name;
    EXPECT_EQ(isp::LargestChunk(*part), 4096u) << row.name;

    const auto sectors = isp::SectorsOf(*part);
    ASSERT_EQ(sectors.size(), row.sectors) << row.name;
    std::uint32_t next = 0;
    for (const isp::Sector& sector : sectors) {
      EXPECT_EQ(sector.start, next);
      EXPECT_EQ(isp::SectorAt(*part, sector.start).number, sector.number);
      EXPECT_EQ(isp::SectorAt(*part, sector.start + sector.size - 1).number, sector.number);
      next += sector.size;
    }
    EXPECT_EQ(next, part->flash_size) << row.name;
  }
  EXPECT_EQ(isp::LargestKnownFlash(), 512u * 1024);
}

TEST(PartTableTest, LargeSectorsFollowTheSmallOnesOnLpc17xx) {
  const isp::PartInfo& lpc1768 = *isp::FindPart(0x26013F37);
  const isp::Sector last_small = isp::SectorAt(lpc1768, 0xFFFF);
  EXPECT_EQ(last_small.number, 15u);
  EXPECT_EQ(last_small.size, 4096u);
  const isp::Sector first_large = isp::SectorAt(lpc1768, 0x10000);
  EXPECT_EQ(first_large.number, 16u);
  EXPECT_EQ(first_large.start, 0x10000u);
  EXPECT_EQ(first_large.size, 32768u);
  const isp::Sector last = isp::SectorAt(lpc1768, 0x7FFFF);
  EXPECT_EQ(last.number, 29u);
  EXPECT_EQ(last.start, 0x78000u);
}

TEST(PartTableTest, WhatTheBootRomHidesFromRead) {
  isp::PartInfo part = *isp::FindPart(0x3670002B);  // LPC1227: 512 bytes
  const struct {
    std::uint32_t address, length, hidden;
  } cases[] = {{0, 4096, 512}, {0, 256, 256}, {0x1FC, 8, 4}, {0x200, 4, 0}, {0x1000, 4096, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(isp::HiddenFromRead(part, c.address, c.length), c.hidden) << c.address;
  }
  part.read_sees_flash = true;
  EXPECT_EQ(isp::HiddenFromRead(part, 0, 4096), 0u);
}

TEST(PartTableTest, UnknownIdIsInNoRow) {
  EXPECT_EQ(isp::FindPart(0x12345678), nullptr);
  EXPECT_EQ(isp::FindPart(0), nullptr);
}

}  // namespace
