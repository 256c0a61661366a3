#include "isp/image/hex_file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::HexRecord;
using testing_support::WriteTextFile;
using Step = isp::HexFileReader::Step;

const std::string kEnd = ":00000001FF\n";
const std::string kBom = "\xEF\xBB\xBF";

// A data record as the reader hands it out.
struct Data {
  int line;
  std::uint32_t address;
  std::vector<std::uint8_t> bytes;
  bool operator==(const Data&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Data& d) {
  return os << "line " << d.line << " at 0x" << std::hex << d.address << std::dec << ", "
            << d.bytes.size() << " bytes";
}

class HexFileReaderTest : public ::testing::Test {
 protected:
  // Reads text as a file to its end: the data records and the last step.
  Step ReadAll(const std::string& text, std::vector<Data>& data) {
    WriteTextFile(dir.File("in.hex"), text);
    reader = std::make_unique<isp::HexFileReader>();
    if (!reader->Open(dir.File("in.hex").c_str())) return Step::kReadFailed;
    Step step;
    while ((step = reader->Next()) == Step::kData) {
      data.push_back({reader->Line(), reader->Address(), reader->Record().data});
    }
    return step;
  }

  testing_support::ScopedTempDir dir;
  std::unique_ptr<isp::HexFileReader> reader;
};

TEST_F(HexFileReaderTest, HandsOutDataRecordsWithTheirAddressesAndLines) {
  const std::string text =
      kBom + HexRecord(0, 0x0000, {0x00, 0x10, 0x00, 0x10}) + "\r\n" + "some stray text\n" + "\n" +
      HexRecord(0, 0x0040, {}) + "\n" +  // no bytes: nothing to place
      HexRecord(2, 0, {0x01, 0x00}) + "\n" + HexRecord(0, 0x0010, {0xAA}) + "\n" +
      HexRecord(4, 0, {0x00, 0x08}) + "\n" + HexRecord(5, 0, {0x00, 0x08, 0x01, 0x21}) + "\n" +
      HexRecord(0, 0xFFFF, {0xBB, 0xCC}) + "\n" + kEnd + "trailing text\n" +
      HexRecord(3, 0, {0, 0, 0, 0}) + "\n";
  std::vector<Data> data;
  EXPECT_EQ(ReadAll(text, data), Step::kEnd) << reader->Error();
  EXPECT_EQ(data, (std::vector<Data>{{1, 0x0000, {0x00, 0x10, 0x00, 0x10}},
                                     {6, 0x1010, {0xAA}},
                                     {9, 0x0008FFFF, {0xBB, 0xCC}}}));
  EXPECT_EQ(reader->Next(), Step::kEnd);  // and stays there
}

TEST_F(HexFileReaderTest, FilesThatHoldNoFirmwareOrAreDamagedAreRefused) {
  static constexpr char kBinary[] =
      "\x7F"
      "ELF\x02\x01\x01\0\0\n\xFF\xFE\x10\x3A";
  const std::string data = HexRecord(0, 0x0000, {0x01, 0x02}) + "\n";
  struct Case {
    const char* name;
    std::string text;
    std::string error;
  } cases[] = {
      {"empty", "", "Invalid HEX file: no data records"},
      {"end record only", kEnd, "Invalid HEX file: no data records"},
      {"empty data record only", HexRecord(0, 0x10, {}) + "\n" + kEnd,
       "Invalid HEX file: no data records"},
      {"text", "Release notes\nversion 2\n", "Invalid HEX file: no data records"},
      {"binary", std::string(kBinary, sizeof kBinary - 1), "Invalid HEX file: no data records"},
      {"byte-order mark only", kBom, "Invalid HEX file: no data records"},
      {"truncated", data + data,
       "Invalid HEX file: line 3: no end-of-file record (is the file truncated?)"},
      {"truncated within the last line", data + ":1000",
       "Invalid HEX file: line 2: record too short"},
      {"truncated after a line without a break", data + HexRecord(0, 0x10, {1}),
       "Invalid HEX file: line 3: no end-of-file record (is the file truncated?)"},
      {"data after the end", data + kEnd + "\n" + data,
       "Invalid HEX file: line 4: data record after the end-of-file record"},
      {"empty data record after the end", data + kEnd + HexRecord(0, 0x10, {}) + "\n",
       "Invalid HEX file: line 3: data record after the end-of-file record"},
      {"record type 06", data + HexRecord(6, 0, {}) + "\n" + kEnd,
       "Invalid HEX file: line 2: unknown record type 06"},
      {"record type FF", data + HexRecord(0xFF, 0, {1}) + "\n" + kEnd,
       "Invalid HEX file: line 2: unknown record type FF"},
      {"malformed record after the end", data + kEnd + ":0200100001020A\n",
       "Invalid HEX file: line 3: checksum mismatch"},
  };
  for (const Case& c : cases) {
    std::vector<Data> got;
    EXPECT_EQ(ReadAll(c.text, got), Step::kInvalid) << c.name;
    EXPECT_EQ(reader->Error(), c.error) << c.name;
    EXPECT_EQ(reader->Next(), Step::kInvalid) << c.name;
  }
}

TEST_F(HexFileReaderTest, OnlyRegularFilesOpenAndNothingBlocks) {
  WriteTextFile(dir.File("good.hex"), HexRecord(0, 0, {1}) + "\n" + kEnd);
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink("good.hex", dir.File("link.hex").c_str()), 0);
  EXPECT_TRUE(isp::HexFileReader().Open(dir.File("good.hex").c_str()));
  EXPECT_TRUE(isp::HexFileReader().Open(dir.File("link.hex").c_str()));
  // A FIFO with no writer would hold a blocking open for ever.
  for (const std::string& name : {std::string(), dir.File("missing.hex"), dir.Path().string(),
                                  std::string("/dev/zero"), dir.File("fifo")}) {
    EXPECT_FALSE(isp::HexFileReader().Open(name.c_str())) << name;
  }
}

TEST(DecodeHexLineTest, TellsRecordsLinesToSkipAndMalformedRecords) {
  struct Case {
    std::string line;
    isp::HexLine result;
    isp::HexRecordType type;
    std::vector<std::uint8_t> data;
    std::string reason;
  } cases[] = {
      {"", isp::HexLine::kNotRecord, {}, {}, ""},
      {"no record", isp::HexLine::kNotRecord, {}, {}, ""},
      {" :00000001FF", isp::HexLine::kNotRecord, {}, {}, ""},
      {":00000001FF", isp::HexLine::kRecord, isp::HexRecordType::kEndOfFile, {}, ""},
      {":00000001ff  \t", isp::HexLine::kRecord, isp::HexRecordType::kEndOfFile, {}, ""},
      {":00000005FB", isp::HexLine::kRecord, isp::HexRecordType::kStartLinearAddress, {}, ""},
      {":00001000F0", isp::HexLine::kRecord, isp::HexRecordType::kData, {}, ""},
      {":02002000ABCD66", isp::HexLine::kRecord, isp::HexRecordType::kData, {0xAB, 0xCD}, ""},
      {":0100200000DE", isp::HexLine::kMalformed, {}, {}, "checksum mismatch"},
      {":00000006FA", isp::HexLine::kMalformed, {}, {}, "unknown record type 06"},
      {":0100000401FA", isp::HexLine::kMalformed, {}, {}, "address record without 2 data bytes"},
      {":0000", isp::HexLine::kMalformed, {}, {}, "record too short"},
      {":0X00100001", isp::HexLine::kMalformed, {}, {}, "non-hex digit"},
  };
  for (const Case& c : cases) {
    isp::HexRecord record;
    std::string reason;
    EXPECT_EQ(isp::DecodeHexLine(c.line, record, reason), c.result) << c.line;
    EXPECT_EQ(reason, c.reason) << c.line;
    if (c.result != isp::HexLine::kRecord) continue;
    EXPECT_EQ(record.type, c.type) << c.line;
    EXPECT_EQ(record.data, c.data) << c.line;
  }
}

}  // namespace
