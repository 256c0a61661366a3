// Image files chosen by their bytes: ELF, S-records, Intel HEX, or raw
// binary for .bin; a file that is none of them refused saying what it is.
#include "isp/image/image_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli/failure_text.h"
#include "cli/image_argument.h"
#include "tests/support/hex_writer.h"
#include "tests/support/image_writers.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::uint32_t kLimit = 512 * 1024;
const std::string kHexText =
    testing_support::HexRecord(0, 0x0010, {0xAA, 0xBB}) + "\n:00000001FF\n";

class ImageFileTest : public ::testing::Test {
 protected:
  bool Load(const std::string& name, const std::string& bytes, std::uint32_t address = 0) {
    testing_support::WriteTextFile(dir.File(name), bytes);
    return isp::LoadImageFile(dir.File(name), address, kLimit, image, error);
  }

  testing_support::ScopedTempDir dir;
  isp::FlashImage image;
  isp::ImageError error;
};

TEST_F(ImageFileTest, FormatIsToldByTheName) {
  EXPECT_EQ(isp::FormatOfName("app.bin"), isp::ImageFormat::kBinary);
  EXPECT_EQ(isp::FormatOfName("APP.BIN"), isp::ImageFormat::kBinary);
  EXPECT_EQ(isp::FormatOfName("app.hex"), isp::ImageFormat::kIntelHex);
  EXPECT_EQ(isp::FormatOfName("app.ihx"), isp::ImageFormat::kIntelHex);
  EXPECT_EQ(isp::FormatOfName("bin"), isp::ImageFormat::kIntelHex);
  EXPECT_TRUE(isp::WantsIntelHex("dump.HEX"));
  EXPECT_FALSE(isp::WantsIntelHex("dump.bin"));
  EXPECT_FALSE(isp::WantsIntelHex("dump"));
}

TEST_F(ImageFileTest, BinaryLandsAtItsAddressEveryByteCounted) {
  const std::string bytes("\x00\xFF\x10:\r\n", 6);
  ASSERT_TRUE(Load("app.bin", bytes, 0x1000)) << cli::ImageErrorText(error);
  EXPECT_EQ(image.End(), 0x1006u);
  EXPECT_FALSE(image.Placed(0, 0x1000));
  EXPECT_TRUE(image.Placed(0x1001, 1));  // an 0xFF byte of the file is the file's
  for (std::uint32_t i = 0; i < bytes.size(); ++i)
    EXPECT_EQ(image.At(0x1000 + i), static_cast<std::uint8_t>(bytes[i])) << i;
}

TEST_F(ImageFileTest, HexNameLoadsHexRecords) {
  ASSERT_TRUE(Load("app.hex", kHexText)) << cli::ImageErrorText(error);
  EXPECT_EQ(image.At(0x10), 0xAA);
  EXPECT_EQ(image.End(), 0x12u);
}

TEST_F(ImageFileTest, FilesThatAreNoImageAreRefusedSayingWhatTheyLookLike) {
  const struct {
    const char* name;
    std::string bytes;
    std::uint32_t address;
    const char* error;  // after the file's name and a space or ": "
  } cases[] = {
      {"blob.hex", std::string("\x10\x00\x00\x20\x01", 5), 0,
       "holds binary data that is no ELF, S-record or Intel HEX file (its first bytes are 0x10 "
       "0x00 0x00 0x20); to write it raw into the flash, give its first byte's address with "
       "--address"},
      {"notes.txt", "Firmware v1.2\nbuilt today\n", 0,
       "holds text that is no ELF, S-record or Intel HEX file (it begins \"Firmware v1.2\", where "
       "a record begins with 'S' or ':')"},
      {"blank.hex", "\r\n  \n", 0,
       "holds only white space: it is no ELF, S-record or Intel HEX file"},
      {"empty.bin", "", 0, "is empty: there is nothing to write"},
      {"empty.hex", "", 0, "is empty: there is nothing to write"},
      {"colon.hex", ":not a record\n", 0, ": Invalid HEX file: line 1: non-hex digit"},
      {"big.bin", std::string(16, 'x'), kLimit - 8,
       ": 16 bytes from address 524280 reach beyond the flash of every known part (512 KiB)"},
      {"far.bin", "xy", kLimit + 1,
       ": 2 bytes from address 524289 reach beyond the flash of every known part (512 KiB)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    image = isp::FlashImage();
    const std::uint8_t before = 0x42;
    image.Place(0, &before, 1, 1);
    EXPECT_FALSE(Load(c.name, c.bytes, c.address));
    const std::string path = dir.File(c.name);
    const std::string expected = c.error[0] == ':' ? path + c.error : path + " " + c.error;
    EXPECT_EQ(cli::ImageFailureText(path, error), expected);
    // Without the name, what the file holds is said in the loader's words.
    if (c.error[0] == ':') {
      EXPECT_EQ(cli::ImageErrorText(error), c.error + 2);
    }
    EXPECT_EQ(image.At(0), 0x42);  // the image is left as it was
    EXPECT_EQ(expected.find("rename"), std::string::npos);
    EXPECT_EQ(expected.find("must end"), std::string::npos);
  }
}

// A first line that starts as a record does is a HEX file with an error,
// told with its line, not a file of some other kind.
TEST_F(ImageFileTest, ABadDigitInTheFirstRecordIsAnInvalidHexFile) {
  EXPECT_FALSE(Load("digit.hex", ":10000000ZZ0102030405060708090A0B0C0D0E0F00\n"));
  EXPECT_EQ(cli::ImageErrorText(error), "Invalid HEX file: line 1: non-hex digit");
  EXPECT_FALSE(Load("short.hex", ":100000\n"));
  EXPECT_EQ(cli::ImageErrorText(error).rfind("Invalid HEX file: line 1: ", 0), 0u)
      << cli::ImageErrorText(error);
}

TEST_F(ImageFileTest, ContentChoosesTheFormatWhateverTheName) {
  const std::string srec = testing_support::SrecFromBytes({{0x10, 0xAA}, {0x11, 0xBB}});
  const std::string elf = testing_support::ElfFile({{1, 0x10, 0x10, {0xAA, 0xBB}}});
  const struct {
    const char* name;
    std::string bytes;
    isp::ImageFormat format;
  } cases[] = {
      {"app.bin", kHexText, isp::ImageFormat::kIntelHex},
      {"app.hex", srec, isp::ImageFormat::kSRecord},
      {"app.s19", srec, isp::ImageFormat::kSRecord},
      {"app.bin", elf, isp::ImageFormat::kElf},
      {"app.hex", elf, isp::ImageFormat::kElf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(static_cast<int>(c.format)));
    testing_support::WriteTextFile(dir.File(c.name), c.bytes);
    isp::ImageFormat format = isp::ImageFormat::kBinary;
    image = isp::FlashImage();
    ASSERT_TRUE(isp::LoadImageFile(dir.File(c.name), 0, kLimit, image, error, &format))
        << cli::ImageErrorText(error);
    EXPECT_EQ(format, c.format);
    EXPECT_EQ(image.End(), 0x12u);
    EXPECT_EQ(image.At(0x10), 0xAA);
    EXPECT_EQ(image.At(0x11), 0xBB);
  }
}

TEST_F(ImageFileTest, RawBinaryOfAnyNameWhenItsAddressIsGiven) {
  const std::string bytes("\x10\x00\x00\x20", 4);
  testing_support::WriteTextFile(dir.File("app.img"), bytes);
  ASSERT_TRUE(isp::LoadImageFile(dir.File("app.img"), 0x2000, kLimit, image, error, nullptr, true))
      << cli::ImageErrorText(error);
  EXPECT_EQ(image.End(), 0x2004u);
  EXPECT_EQ(image.At(0x2000), 0x10);
}

TEST_F(ImageFileTest, MissingFileIsNamedAsTheHexLoaderDoes) {
  EXPECT_FALSE(isp::LoadImageFile(dir.File("none.bin"), 0, kLimit, image, error));
  EXPECT_EQ(error.kind, isp::ImageErrorKind::kNotFound);
  EXPECT_EQ(cli::ImageFailureText("none.bin", error), "Unable to open file none.bin: no such file");
}

// Each reason a file does not open is told by its kind, found when it was
// opened, and worded by the command line without looking at the file again.
TEST_F(ImageFileTest, FilesThatDoNotOpenAreToldApartByKind) {
  std::filesystem::create_directory(dir.File("folder.hex"));
  testing_support::WriteTextFile(dir.File("locked.hex"), kHexText);
#ifndef _WIN32
  ASSERT_EQ(mkfifo(dir.File("pipe.hex").c_str(), 0600), 0);
  ASSERT_EQ(symlink("gone.hex", dir.File("dangling.hex").c_str()), 0);
  ASSERT_EQ(chmod(dir.File("locked.hex").c_str(), 0), 0);
  const bool root = geteuid() == 0;  // root reads a file of mode 0 all the same
#endif
  const struct {
    std::string path;
    isp::ImageErrorKind kind;
    int system_error;
    std::string why;  // after "Unable to open file PATH: "
  } cases[] = {
      {dir.File("missing.hex"), isp::ImageErrorKind::kNotFound, 0, "no such file"},
      {dir.File("none/app.hex"), isp::ImageErrorKind::kNotFound, 0, "no such file"},
      {"", isp::ImageErrorKind::kNotFound, 0, "no such file"},
      {dir.File("folder.hex"), isp::ImageErrorKind::kIsAFolder, 0, "it is a directory"},
#ifndef _WIN32
      {dir.File("dangling.hex"), isp::ImageErrorKind::kNotFound, 0, "no such file"},
      {dir.File("pipe.hex"), isp::ImageErrorKind::kNotRegularFile, 0, "it is no regular file"},
      {"/dev/null", isp::ImageErrorKind::kNotRegularFile, 0, "it is no regular file"},
      {dir.File("locked.hex/app.hex"), isp::ImageErrorKind::kNotFound, 0, "no such file"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(isp::LoadImageFile(c.path, 0, kLimit, image, error));
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.system_error, c.system_error);
    EXPECT_TRUE(isp::IsFileAccessError(error.kind));
    EXPECT_EQ(cli::ImageFailureText(c.path, error), "Unable to open file " + c.path + ": " + c.why);
  }
#ifndef _WIN32
  if (!root) {
    EXPECT_FALSE(isp::LoadImageFile(dir.File("locked.hex"), 0, kLimit, image, error));
    EXPECT_EQ(error.kind, isp::ImageErrorKind::kNoPermission);
    EXPECT_EQ(error.system_error, EACCES);
    EXPECT_EQ(cli::ImageFailureText("locked.hex", error),
              std::string("Unable to open file locked.hex: ") + std::strerror(EACCES));
  }
#endif
}

TEST_F(ImageFileTest, AddressIsRefusedForAHexFileAndTheChecksumWordIsSet) {
  testing_support::WriteTextFile(dir.File("app.hex"), kHexText);
  bool no_vector_table = false;
  std::string message;
  EXPECT_FALSE(
      cli::LoadImageArgument({dir.File("app.hex"), 0x1000, true}, image, message, no_vector_table));
  EXPECT_EQ(message, "--address is for a raw binary file (.bin); the records of " +
                         dir.File("app.hex") + " carry their own addresses");

  // A binary with a vector table gets its checksum word, as programming does.
  std::string table(32, '\0');
  table[0] = 0x10;
  testing_support::WriteTextFile(dir.File("app.bin"), table);
  ASSERT_TRUE(
      cli::LoadImageArgument({dir.File("app.bin"), 0, false}, image, message, no_vector_table))
      << message;
  EXPECT_FALSE(no_vector_table);
  std::uint32_t sum = 0;
  for (std::uint32_t word = 0; word < 8; ++word) sum += image.Word(word * 4);
  EXPECT_EQ(sum, 0u);
  EXPECT_NE(image.Word(28), 0u);
}

}  // namespace
