// Motorola S-record files read record by record: addresses of each width,
// checksums, counts and end records, and every refusal naming its line.
#include "isp/image/srec_file_reader.h"

#include <gtest/gtest.h>

#include "cli/failure_text.h"
#include "isp/image/image_loader.h"
#include "tests/support/hex_writer.h"
#include "tests/support/image_writers.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::SRecord;

class SrecFileReaderTest : public ::testing::Test {
 protected:
  bool Load(const std::string& text) {
    testing_support::WriteTextFile(dir.File("app.s19"), text);
    return isp::LoadSrecFlashImage(dir.File("app.s19"), 0x80000, image, error);
  }

  testing_support::ScopedTempDir dir;
  isp::FlashImage image;
  isp::ImageError error;
};

TEST_F(SrecFileReaderTest, RecordsOfEveryAddressWidthAreRead) {
  const std::string text =
      "\xEF\xBB\xBF" + SRecord(0, 0, {'h', 'i'}) + "\r\n" + SRecord(1, 0x0010, {0xAA}) + "\n" +
      "a comment\n" + SRecord(2, 0x012345, {0xBB, 0xCC}) + "\n" + SRecord(3, 0x00040000, {0xDD}) +
      "\n" + SRecord(5, 3, {}) + "\n" + SRecord(9, 0, {}) + "\n";
  testing_support::WriteTextFile(dir.File("app.s19"), text);
  isp::SrecFileReader reader;
  ASSERT_TRUE(reader.Open(dir.File("app.s19").c_str()));
  const struct {
    std::uint32_t address;
    std::vector<std::uint8_t> data;
    int line;
  } expected[] = {{0x10, {0xAA}, 2}, {0x012345, {0xBB, 0xCC}, 4}, {0x40000, {0xDD}, 5}};
  for (const auto& record : expected) {
    ASSERT_EQ(reader.Next(), isp::SrecFileReader::Step::kData) << reader.Error();
    EXPECT_EQ(reader.Address(), record.address);
    EXPECT_EQ(reader.Data(), record.data);
    EXPECT_EQ(reader.Line(), record.line);
  }
  EXPECT_EQ(reader.Next(), isp::SrecFileReader::Step::kEnd) << reader.Error();
  EXPECT_EQ(reader.Next(), isp::SrecFileReader::Step::kEnd);
}

TEST_F(SrecFileReaderTest, SameBytesAsTheHexFileOfTheImage) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  for (std::uint32_t i = 0; i < 300; ++i) bytes[0x1000 + i] = static_cast<std::uint8_t>(i * 3);
  bytes[0x20000] = 0x5A;
  ASSERT_TRUE(Load(testing_support::SrecFromBytes(bytes, 32))) << cli::ImageErrorText(error);
  EXPECT_EQ(image.End(), 0x20001u);
  for (const auto& [address, value] : bytes) EXPECT_EQ(image.At(address), value) << address;
  EXPECT_FALSE(image.Placed(0, 0x1000));
}

TEST_F(SrecFileReaderTest, BadFilesAreRefusedNamingTheLine) {
  const std::string data = SRecord(1, 0, {1, 2}) + "\n";
  const std::string end = SRecord(9, 0, {}) + "\n";
  std::string bad_sum = SRecord(1, 0, {1, 2});
  bad_sum.back() = bad_sum.back() == '0' ? '1' : '0';
  const struct {
    const char* name;
    std::string text;
    const char* error;
  } cases[] = {
      {"checksum", data + bad_sum + "\n" + end, "Invalid S-record file: line 2: checksum mismatch"},
      {"no end", data + data,
       "Invalid S-record file: line 3: no end record (S7, S8 or S9; is the "
       "file truncated?)"},
      {"data after the end", data + end + data,
       "Invalid S-record file: line 3: data record after the end record"},
      {"no data", SRecord(0, 0, {'x'}) + "\n" + end, "Invalid S-record file: no data records"},
      {"count wrong", data + data + SRecord(5, 3, {}) + "\n" + end,
       "Invalid S-record file: line 3: count record says 3 data records, the file has 2"},
      {"reserved S4", data + "S4030000FC\n" + end,
       "Invalid S-record file: line 2: reserved record type S4"},
      {"short", data + "S1\n" + end,
       "Invalid S-record file: line 2: record too short or without a type digit"},
      {"no type digit", data + "SX050000010200\n" + end,
       "Invalid S-record file: line 2: record too short or without a type digit"},
      {"non-hex", data + "S1050000G102F7\n" + end, "Invalid S-record file: line 2: non-hex digit"},
      {"cut short", data + SRecord(1, 0, {1, 2}).substr(0, 10) + "\n" + end,
       "Invalid S-record file: line 2: fewer digits than the byte count needs"},
      {"trailing", data + SRecord(1, 0, {1, 2}) + "00\n" + end,
       "Invalid S-record file: line 2: characters after the checksum"},
      {"count below the address", data + "S101FE\n" + end,
       "Invalid S-record file: line 2: byte count too small for its address"},
      {"beyond every flash", SRecord(3, 0x7FFFF, {1, 2}) + "\n" + end,
       "Invalid S-record file: line 1: data beyond the flash of every known part (512 KiB)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    image = isp::FlashImage();
    EXPECT_FALSE(Load(c.text));
    EXPECT_EQ(cli::ImageErrorText(error), c.error);
    EXPECT_FALSE(image.HasData());
  }
}

}  // namespace
