#include <gtest/gtest.h>

#include "cli/info_command.h"
#include "isp/part_table.h"

namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

Lines Shown(const isp::PartDetails& details) {
  Lines lines;
  for (const auto& [label, text] : cli::DetailLines(details)) lines.emplace_back(label, text);
  return lines;
}

TEST(InfoLinesTest, WhatThePartDidNotTellIsSaidToBeUnknown) {
  isp::PartDetails details;
  details.part = isp::FindPart(0x26011922);  // LPC1764
  EXPECT_EQ(Shown(details), (Lines{{"Part", "LPC1764"},
                                   {"Part id", "0x26011922 (637606178)"},
                                   {"Flash", "128 KiB"},
                                   {"RAM", "16 KiB"},
                                   {"Sectors", "18 sectors: 0-15 x 4 KiB, 16-17 x 32 KiB"},
                                   {"Boot code", "unknown (the part did not say)"},
                                   {"Serial number", "unknown (the part did not say)"},
                                   {"Protection", "unknown (the part did not say)"}}));
}

TEST(InfoLinesTest, ProtectionIsNamedByItsWord) {
  isp::PartDetails details;
  details.part = isp::FindPart(0x3670002B);
  details.boot_code = std::array<unsigned, 2>{6, 10};
  details.serial = std::array<std::uint32_t, 4>{1, 0xFFFFFFFF, 0, 0xABCDEF};
  details.protection = isp::ProtectionReading::kRead;
  details.protection_word = 0x87654321;
  details.level = isp::ProtectionLevel::kCrp2;
  const Lines lines = Shown(details);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[5].second, "6.10");
  EXPECT_EQ(lines[6].second, "0x00000001 0xFFFFFFFF 0x00000000 0x00ABCDEF");
  EXPECT_EQ(lines[7].second, "CRP2 (word 0x87654321 at 0x2FC)");
}

}  // namespace
