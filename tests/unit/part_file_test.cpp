// Part files: rows read with the line each came from, added to the table
// over rows of the same id, and every malformed or self-contradicting row
// refused naming file, line and field.
#include "isp/part_file.h"

#include <gtest/gtest.h>

namespace {

// A whole row on one line, to be broken up or spoiled by the cases.
const std::string kRow =
    R"({"id": "0x7E570001", "name": "Test part", "sectors": [{"size": 4096, "count": 4},)"
    R"( {"size": "0x8000", "count": 1, "start": 16384}], "ram_size": 4096,)"
    R"( "ram_buffer_start": "0x10000200", "ram_buffer_end": 268439552})";

TEST(PartFileTest, RowsAreReadWithTheirLinesAndDefaults) {
  const std::string text =
      "// my boards\n"
      "{\"parts\": [\n" +
      kRow +
      ",\n"
      "  {\n"
      "    \"id\": 2119630850, \"name\": \"Other\",\n"
      "    \"sectors\": [{\"size\": 1024, \"count\": 8}],\n"
      "    \"flash_size\": 8192, \"ram_size\": \"0x2000\",\n"
      "    \"ram_buffer_start\": \"0x10000300\", \"ram_buffer_end\": "
      "\"0x10001F00\",\n"
      "    \"largest_copy\": 1024, \"ecc_lines\": true,\n"
      "    \"boot_rom_window\": 64, \"read_sees_flash\": true\n"
      "  }\n"
      "]}\n";
  std::vector<isp::PartRow> rows;
  std::string error;
  ASSERT_TRUE(isp::ParsePartFile(text, "my.json", rows, error)) << error;
  ASSERT_EQ(rows.size(), 2u);

  const isp::PartInfo& first = rows[0].part;
  EXPECT_EQ(rows[0].name, "Test part");
  EXPECT_EQ(rows[0].origin.file, "my.json");
  EXPECT_EQ(rows[0].origin.line, 3);
  EXPECT_EQ(first.id, 0x7E570001u);
  EXPECT_EQ(first.flash_size, 4 * 4096u + 0x8000u);
  ASSERT_EQ(first.sectors.size(), 2u);
  EXPECT_EQ(first.sectors[1].size, 0x8000u);
  EXPECT_EQ(first.ram_buffer_end, 0x10001000u);
  // What a row leaves out.
  EXPECT_EQ(first.largest_copy, 4096u);
  EXPECT_FALSE(first.ecc_lines);
  EXPECT_EQ(first.boot_rom_window, 512u);
  EXPECT_FALSE(first.read_sees_flash);

  const isp::PartInfo& second = rows[1].part;
  EXPECT_EQ(rows[1].origin.line, 4);
  EXPECT_EQ(second.ram_size, 0x2000u);
  EXPECT_EQ(second.largest_copy, 1024u);
  EXPECT_TRUE(second.ecc_lines);
  EXPECT_EQ(second.boot_rom_window, 64u);
  EXPECT_TRUE(second.read_sees_flash);

  // A bare list of rows is a part file too.
  ASSERT_TRUE(isp::ParsePartFile("[" + kRow + "]", "list.json", rows, error)) << error;
  EXPECT_EQ(rows.size(), 1u);
}

TEST(PartFileTest, RowsJoinTheTableAndALaterRowOfAnIdWins) {
  std::vector<isp::PartRow> rows;
  std::string error;
  ASSERT_TRUE(isp::ParsePartFile("[\n" + kRow + "\n]", "a.json", rows, error)) << error;
  isp::AddPartRows(rows);
  const isp::PartInfo* part = isp::FindPart(0x7E570001);
  ASSERT_NE(part, nullptr);
  EXPECT_STREQ(part->name, "Test part");
  EXPECT_EQ(isp::SectorAt(*part, 0x4000).number, 4u);
  EXPECT_EQ(isp::OriginOf(*part).file, "a.json");
  EXPECT_EQ(isp::OriginOf(*part).line, 2);

  std::string renamed = kRow;
  renamed.replace(renamed.find("Test part"), 9, "Test part B");
  ASSERT_TRUE(isp::ParsePartFile("\n\n[" + renamed + "]", "b.json", rows, error)) << error;
  isp::AddPartRows(rows);
  part = isp::FindPart(0x7E570001);
  ASSERT_NE(part, nullptr);
  EXPECT_STREQ(part->name, "Test part B");
  EXPECT_EQ(isp::OriginOf(*part).file, "b.json");
  EXPECT_EQ(isp::OriginOf(*part).line, 3);
  EXPECT_EQ(std::count_if(isp::KnownParts().begin(), isp::KnownParts().end(),
                          [](const isp::PartInfo& p) { return p.id == 0x7E570001; }),
            1);
  // A built-in row says it is one.
  EXPECT_EQ(isp::OriginOf(*isp::FindPart(0x26013F37)).file, "");

  // The table as built in again, for whatever runs next in this process.
  const std::size_t built_in = isp::KnownParts().size() - 1;
  isp::RestoreBuiltInParts();
  EXPECT_EQ(isp::FindPart(0x7E570001), nullptr);
  EXPECT_EQ(isp::KnownParts().size(), built_in);
}

// The row with one thing changed: the text from..to replaced.
std::string Spoilt(const std::string& from, const std::string& to) {
  std::string row = kRow;
  const std::size_t at = row.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) row.replace(at, from.size(), to);
  return row;
}

// One field per line, so that each error's line shows which field it is.
std::string OneFieldPerLine(std::string row) {
  for (std::size_t at = 0; (at = row.find(", \"", at)) != std::string::npos; at += 2) {
    // Not inside the sector runs.
    const std::size_t open = row.rfind('[', at);
    const std::size_t close = row.rfind(']', at);
    if (open != std::string::npos && (close == std::string::npos || close < open)) continue;
    row.replace(at, 2, ",\n");
  }
  return row;
}

TEST(PartFileTest, MalformedOrContradictoryRowsNameFileLineAndField) {
  const struct {
    const char* name;
    std::string text;
    const char* error;
  } cases[] = {
      {"not JSON", "[\n" + kRow + ",\n{\"id\": 1,, }]", "p.json:3: not valid JSON: syntax error"},
      {"not a list", "{\"parts\": 3}", "p.json:1: parts: must be a list of rows"},
      {"other key", "{\"part\": []}",
       "p.json:1: a part file is a list of rows, or an object with only \"parts\""},
      {"unknown field", "[" + OneFieldPerLine(Spoilt("\"ram_size\"", "\"ram\"")) + "]",
       "p.json:4: ram: no such field"},
      {"missing name", "[" + OneFieldPerLine(Spoilt("\"name\": \"Test part\", ", "")) + "]",
       "p.json:1: name: missing"},
      {"id not a number", "[" + OneFieldPerLine(Spoilt("\"0x7E570001\"", "\"0xZZ\"")) + "]",
       "p.json:1: id: must be a number"},
      {"negative RAM",
       "[" + OneFieldPerLine(Spoilt("\"ram_size\": 4096", "\"ram_size\": -1")) + "]",
       "p.json:4: ram_size: must be a number"},
      {"W range outside RAM", "[" + OneFieldPerLine(Spoilt("268439552", "268439808")) + "]",
       "p.json:6: ram_buffer_end: 0x10001100 lies outside the 4096 bytes of RAM (0x10000000 to "
       "0x10000FFF)"},
      {"W range below RAM", "[" + OneFieldPerLine(Spoilt("0x10000200", "0x200")) + "]",
       "p.json:5: ram_buffer_start: 0x00000200 lies outside the 4096 bytes of RAM"},
      {"W range too small", "[" + OneFieldPerLine(Spoilt("0x10000200", "0x10000F80")) + "]",
       "p.json:6: ram_buffer_end: the W range must hold at least 256 bytes"},
      {"overlapping sectors", "[" + OneFieldPerLine(Spoilt("16384", "12288")) + "]",
       "p.json:3: sectors: the run at 0x00003000 overlaps the sectors before it, which end at "
       "0x00004000"},
      {"gap between sectors", "[" + OneFieldPerLine(Spoilt("16384", "20480")) + "]",
       "p.json:3: sectors: the run at 0x00005000 leaves a gap"},
      {"odd sector size",
       "[" + OneFieldPerLine(Spoilt("4096, \"count\": 4", "1000, \"count\": 4")) + "]",
       "p.json:3: sectors: a sector's size must be 256, 512, 1024 or a multiple of 4096 bytes"},
      // 768 bytes: no whole copies fill such a sector.
      {"sector size no copies fill",
       "[" + OneFieldPerLine(Spoilt("4096, \"count\": 4", "768, \"count\": 4")) + "]",
       "p.json:3: sectors: a sector's size must be 256, 512, 1024 or a multiple of 4096 bytes"},
      {"W range not word-aligned", "[" + OneFieldPerLine(Spoilt("0x10000200", "0x10000202")) + "]",
       "p.json:5: ram_buffer_start: 0x10000202 is not word-aligned"},
      {"flash size disagrees",
       "[" + OneFieldPerLine(Spoilt("\"ram_size\"", "\"flash_size\": 65536, \"ram_size\"")) + "]",
       "p.json:4: flash_size: is 65536 but the sectors add up to 49152"},
      {"copy size",
       "[" + OneFieldPerLine(Spoilt("\"ram_size\"", "\"largest_copy\": 2048, \"ram_size\"")) + "]",
       "p.json:4: largest_copy: must be 256, 512, 1024 or 4096"},
      {"flag not a flag",
       "[" + OneFieldPerLine(Spoilt("\"ram_size\"", "\"ecc_lines\": \"yes\", \"ram_size\"")) + "]",
       "p.json:4: ecc_lines: must be true or false"},
      {"window beyond the flash",
       "[" + OneFieldPerLine(Spoilt("\"ram_size\"", "\"boot_rom_window\": 65536, \"ram_size\"")) +
           "]",
       "p.json:4: boot_rom_window: must be a multiple of 4 bytes within the flash"},
      {"one id twice", "[" + kRow + ",\n\n" + kRow + "]",
       "p.json:3: id: 0x7E570001 is also the id of the row at line 1"},
      {"W range upside down", "[" + OneFieldPerLine(Spoilt("268439552", "\"0x10000100\"")) + "]",
       "p.json:6: ram_buffer_end: must lie above ram_buffer_start"},
      {"row not an object", "[" + kRow + ",\n 7]", "p.json:1: a row must be an object"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<isp::PartRow> rows(1);
    std::string error;
    EXPECT_FALSE(isp::ParsePartFile(c.text, "p.json", rows, error));
    EXPECT_TRUE(error.starts_with(c.error)) << error << "\n" << c.text;
    EXPECT_EQ(rows.size(), 1u);  // left as it was
  }
}

}  // namespace
