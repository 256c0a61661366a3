#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "isp/classic/isp_engine.h"
#include "isp/image/hex_digits.h"
#include "tests/support/hex_writer.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::HexFromBytes;
using testing_support::HexRecord;
using testing_support::WriteTextFile;

const std::string kEnd = ":00000001FF\n";

std::uint32_t Word(const std::vector<std::uint8_t>& image, std::size_t index) {
  std::uint32_t word = 0;
  std::memcpy(&word, image.data() + index * 4, 4);
  return word;
}

class HexLoaderTest : public ::testing::Test {
 protected:
  // Loads text as a HEX file; returns LoadHexFile's result.
  int Load(const std::string& text) {
    WriteTextFile(dir.File("in.hex"), text);
    window.events.clear();
    return engine.LoadHexFile(dir.File("in.hex").c_str());
  }

  testing_support::ScopedTempDir dir;
  testing_support::RecordingWindow window;
  comm::Comm comm;
  isp::IspEngine engine{comm, window};
};

TEST(HexDigitsTest, ReadsLeadingHexDigits) {
  struct Case {
    const char* text;
    unsigned word;
    unsigned byte;
  } cases[] = {
      {"1A2B", 0x1A2B, 0x1A}, {"ffff", 0xFFFF, 0xFF}, {"aBcD", 0xABCD, 0xAB},
      {"12G4", 0x12, 0x12},   {"G000", 0, 0},         {"7", 0x7, 0x7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isp::HexToWord(c.text), c.word) << c.text;
    EXPECT_EQ(isp::HexToByte(c.text), c.byte) << c.text;
  }
}

TEST_F(HexLoaderTest, RecordsCoveringTwoSectorsGiveHighestOffsetSectorCountAndByteCount) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  for (std::uint32_t i = 0; i < 0x2000; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(Load(HexFromBytes(bytes)), 1);
  const auto& image = engine.Image();
  EXPECT_EQ(image.HighestOffset, 0x1FFF);
  EXPECT_EQ(image.SectorCount, 1);
  // The byte at the highest offset counts: 8192 bytes, 16 whole blocks.
  EXPECT_EQ(engine.RunState().BytesTotal, 8192);
  EXPECT_EQ(engine.RunState().BytesRemaining, 8192);
  EXPECT_EQ(engine.RunState().StateNumber, 0);
  EXPECT_EQ(engine.RunState().ImagePosition, 0);
  EXPECT_EQ(image.bytes.size(), 0x20000u);
  EXPECT_EQ(image.bytes[0x1FFF], static_cast<std::uint8_t>(0x1FFF * 7));
  EXPECT_EQ(image.bytes[0x2000], 0);
  EXPECT_EQ(window.events, std::vector<std::string>{"timer 200"});
}

TEST_F(HexLoaderTest, ByteCountFollowsTheHighestByteWritten) {
  struct Case {
    std::string text;
    int highest;
    int bytes_total;
  } cases[] = {
      {HexRecord(0, 0, {0x55}) + "\n" + kEnd, 0, 1},                  // one byte at 0
      {HexRecord(0, 0x0200, {0x55}) + "\n" + kEnd, 0x200, 0x201},     // a byte at a multiple of 512
      {HexRecord(0, 0xFFFF, {0x55}) + "\n" + kEnd, 0xFFFF, 0x10000},  // the last byte of the flash
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Load(c.text), 1) << c.text;
    EXPECT_EQ(engine.Image().HighestOffset, c.highest) << c.text;
    EXPECT_EQ(engine.RunState().BytesTotal, c.bytes_total) << c.text;
    EXPECT_EQ(engine.Image().SectorCount, c.highest >> 12) << c.text;
  }
}

TEST_F(HexLoaderTest, ChecksumWordMakesTheVectorTableSumToZero) {
  struct Case {
    std::vector<std::uint8_t> table;  // bytes 0 to 31 as the file gives them
    std::uint32_t word6;
  } cases[] = {
      // words 0 to 5 = 1, 2, 3, 0, 0, 0 and word 7 = 0: word 6 is -6.
      {{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9, 9, 0, 0, 0, 0},
       0xFFFFFFFA},
      // A non-zero word 7 is counted too, and stays as the file gave it.
      {{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0,    0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0},
       0xFFFFFFEA},
      // An all-zero table gets 0.
      {std::vector<std::uint8_t>(32, 0), 0},
      // Wrap-around modulo 2^32.
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0,
        0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0},
       2},
  };
  for (const Case& c : cases) {
    std::map<std::uint32_t, std::uint8_t> bytes;
    for (std::size_t i = 0; i < c.table.size(); ++i)
      bytes[static_cast<std::uint32_t>(i)] = c.table[i];
    ASSERT_EQ(Load(HexFromBytes(bytes)), 1);
    const auto& image = engine.Image().bytes;
    EXPECT_EQ(Word(image, 6), c.word6);
    EXPECT_EQ(Word(image, 7), Word(c.table, 7));
    std::uint32_t sum = 0;
    for (std::size_t w = 0; w < 8; ++w) sum += Word(image, w);
    EXPECT_EQ(sum, 0u);
  }
}

TEST_F(HexLoaderTest, LongRecordsAreReadWhole) {
  // 255 data bytes: a 521-character line that a short line buffer would cut.
  std::vector<std::uint8_t> data(255);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0xA0 ^ i);
  const std::string record = HexRecord(0, 0x0100, data);
  ASSERT_EQ(record.size(), 521u);
  ASSERT_EQ(Load(record + "\n:00000001FF\n"), 1);
  const auto& image = engine.Image().bytes;
  EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 0x100));
  EXPECT_EQ(image[0x100 + 255], 0);
  EXPECT_EQ(engine.Image().HighestOffset, 0x100 + 254);
}

TEST_F(HexLoaderTest, LinesOtherThanRecordsAreSkippedAndFormsVary) {
  const std::string text =
      "\n"
      "some stray text\n" +
      HexRecord(0, 0x0010, {0x11, 0x22}) + "\r\n" +         // CR LF line end
      "   \n" + HexRecord(0, 0x0011, {0x33}) + "\n" +       // overlaps: later wins
      ":0100200000DF\n" +                                   // upper case
      ":0100210000de\n" +                                   // lower case digits
      HexRecord(0, 0x0030, {0x44}) + "\n" + ":00000001FF";  // the end record without a line break
  ASSERT_EQ(Load(text), 1);
  const auto& image = engine.Image().bytes;
  EXPECT_EQ(image[0x10], 0x11);
  EXPECT_EQ(image[0x11], 0x33);
  EXPECT_EQ(image[0x30], 0x44);
  EXPECT_EQ(engine.Image().HighestOffset, 0x30);
}

TEST_F(HexLoaderTest, AddressRecordsMoveTheData) {
  struct Case {
    const char* name;
    std::string address_record;
    std::uint16_t offset;
    std::uint32_t lands_at;
  } cases[] = {
      {"linear 0", HexRecord(4, 0, {0x00, 0x00}), 0x0100, 0x0100},
      {"segment 0", HexRecord(2, 0, {0x00, 0x00}), 0x0100, 0x0100},
      {"segment 0x0100", HexRecord(2, 0, {0x01, 0x00}), 0x0010, 0x1010},
      {"segment 0x0F00", HexRecord(2, 0, {0x0F, 0x00}), 0x0200, 0xF200},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Load(c.address_record + "\n" + HexRecord(0, c.offset, {0x5A}) + "\n" + kEnd), 1)
        << c.name;
    EXPECT_EQ(engine.Image().bytes[c.lands_at], 0x5A) << c.name;
    EXPECT_EQ(engine.Image().HighestOffset, c.lands_at) << c.name;
  }
}

TEST_F(HexLoaderTest, MalformedFilesAreRefusedWholeAndChangeNothing) {
  std::map<std::uint32_t, std::uint8_t> good_bytes;
  for (std::uint32_t i = 0; i < 600; ++i) good_bytes[i] = static_cast<std::uint8_t>(i);
  const std::string good = HexFromBytes(good_bytes);
  const std::string ok_line = HexRecord(0, 0x0000, {0x01, 0x02}) + "\n";
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {ok_line + ":0200100001020A\n", "Invalid HEX file: line 2: checksum mismatch"},
      {ok_line + ok_line + ":02001000010G00\n", "Invalid HEX file: line 3: non-hex digit"},
      {":0X00100001\n", "Invalid HEX file: line 1: non-hex digit"},
      {":040010000102EA\n", "Invalid HEX file: line 1: fewer digits than the byte count needs"},
      {":00000001\n", "Invalid HEX file: line 1: record too short"},
      {HexRecord(0, 0x0010, {1}) + "ZZ\n",
       "Invalid HEX file: line 1: characters after the checksum"},
      {HexRecord(4, 0, {0x00, 0x01}) + "\n" + HexRecord(0, 0, {1}) + "\n",
       "Invalid HEX file: line 2: data beyond 64 KiB flash"},
      {HexRecord(2, 0, {0x10, 0x00}) + "\n" + HexRecord(0, 0, {1}) + "\n",
       "Invalid HEX file: line 2: data beyond 64 KiB flash"},
      {HexRecord(0, 0xFFF8, std::vector<std::uint8_t>(16, 1)) + "\n",
       "Invalid HEX file: line 1: data beyond 64 KiB flash"},
      {HexRecord(4, 0, {0x00}) + "\n",
       "Invalid HEX file: line 1: address record without 2 data bytes"},
      // A record does not wrap to the start of its segment.
      {HexRecord(2, 0, {0x00, 0x00}) + "\n" + HexRecord(0, 0xFFFF, {1, 2}) + "\n",
       "Invalid HEX file: line 2: data beyond 64 KiB flash"},
      // Files that hold no firmware, or not all of it.
      {"", "Invalid HEX file: no data records"},
      {kEnd, "Invalid HEX file: no data records"},
      {"just some text\n", "Invalid HEX file: no data records"},
      {ok_line + ok_line,
       "Invalid HEX file: line 3: no end-of-file record (is the file truncated?)"},
      {ok_line + kEnd + ok_line,
       "Invalid HEX file: line 3: data record after the end-of-file record"},
      {ok_line + HexRecord(6, 0, {}) + "\n" + kEnd,
       "Invalid HEX file: line 2: unknown record type 06"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Load(good), 1);
    engine.IspStep();  // the run moves on, so a reset of its state would show
    ASSERT_EQ(engine.RunState().StateNumber, 1);
    const isp::FirmwareImage before = engine.Image();
    const isp::IspRunState state = engine.RunState();
    EXPECT_EQ(Load(c.text), 0) << c.text;
    EXPECT_EQ(window.events, std::vector<std::string>{"error " + c.message}) << c.text;
    EXPECT_EQ(engine.Image().bytes, before.bytes) << c.text;
    EXPECT_EQ(engine.Image().HighestOffset, before.HighestOffset) << c.text;
    EXPECT_EQ(engine.Image().SectorCount, before.SectorCount) << c.text;
    EXPECT_EQ(engine.RunState().BytesTotal, state.BytesTotal) << c.text;
    EXPECT_EQ(engine.RunState().StateNumber, state.StateNumber) << c.text;
  }
}

TEST_F(HexLoaderTest, FileThatCannotBeOpenedIsReported) {
  ASSERT_EQ(Load(HexRecord(0, 0x0100, {1}) + "\n" + kEnd), 1);
  const auto bytes_before = engine.Image().bytes;
  std::vector<std::string> names = {std::string(), dir.File("missing.hex"), dir.Path().string()};
#ifdef _WIN32
  names.push_back("NUL");  // a device
#else
  ASSERT_EQ(mkfifo(dir.File("fifo.hex").c_str(), 0600), 0);
  names.push_back("/dev/zero");
  names.push_back(dir.File("fifo.hex"));
#endif
  for (const std::string& name : names) {
    window.events.clear();
    EXPECT_EQ(engine.LoadHexFile(name.c_str()), 0) << name;
    EXPECT_EQ(window.events, std::vector<std::string>{"error Unable to open file."}) << name;
    EXPECT_EQ(engine.Image().HighestOffset, 0) << name;
    EXPECT_EQ(engine.Image().bytes, bytes_before) << name;
  }
}

TEST_F(HexLoaderTest, ByteOrderMarkBeforeTheFirstRecordIsSkipped) {
  // The first record holds the stack pointer and the reset vector.
  const std::string first = HexRecord(0, 0x0000, {0x00, 0x20, 0x00, 0x10, 0xC1, 0x00, 0x00, 0x00});
  ASSERT_EQ(Load("\xEF\xBB\xBF" + first + "\r\n" + kEnd), 1);
  EXPECT_EQ(Word(engine.Image().bytes, 0), 0x10002000u);
  EXPECT_EQ(Word(engine.Image().bytes, 1), 0x000000C1u);
  EXPECT_EQ(engine.Image().HighestOffset, 7);
}

}  // namespace
