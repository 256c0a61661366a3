// program and verify take ELF and S-record files as well as Intel HEX: the
// same image in each gives the same flash.
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/image_writers.h"

namespace e2e {
namespace {

using testing_support::ElfSegment;

constexpr std::uint32_t kFlashSize = 64 * 1024;  // the LPC1115/303
const std::vector<std::string> kPart = {"--part", "LPC1115/303"};

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

// A firmware as the linker lays it out: code from 0 (a vector table first),
// initialised data that runs in RAM but is stored in flash after the code,
// zero-initialised data only in RAM, and an empty segment.
const std::vector<ElfSegment> kSegments = {
    {1, 0x00000000, 0x00000000, Bytes(0x1234, 0x10)},
    {1, 0x10000000, 0x00001234, Bytes(0x40, 0x80)},
    {1, 0x10000040, 0x10000040, {}, 0x200},  // .bss: no file bytes
    {1, 0x00002000, 0x00002000, {}},
    {4, 0x00003000, 0x00003000, Bytes(8, 1)},  // a note, not loaded
};

ByteMap ImageBytes() {
  ByteMap bytes;
  for (const ElfSegment& segment : kSegments) {
    if (segment.type != 1) continue;
    for (std::size_t i = 0; i < segment.bytes.size(); ++i)
      bytes[segment.paddr + static_cast<std::uint32_t>(i)] = segment.bytes[i];
  }
  return bytes;
}

class ImageFormatsTest : public E2eTest {
 protected:
  std::vector<std::uint8_t> ProgramFile(const std::string& name, const std::string& content) {
    testing_support::WriteTextFile(dir.File(name), content);
    StartSim(kPart);
    const auto result = Cli({"program", "--port", Port(), "--no-start-isp", name});
    EXPECT_EQ(result.exit_status, 0) << name << "\n" << result.out << result.err;
    EXPECT_NE(result.out.find("\nVerify        ok: the flash holds what the part received (M), "),
              std::string::npos)
        << result.out;
    return WholeFlash();
  }
};

TEST_F(ImageFormatsTest, ElfSrecAndHexOfOneImageGiveTheSameFlash) {
  const ByteMap bytes = ImageBytes();
  const auto from_elf = ProgramFile("app.elf", testing_support::ElfFile(kSegments));
  ASSERT_EQ(from_elf.size(), kFlashSize);
  std::vector<std::uint8_t> expected(kFlashSize, 0xFF);
  for (const auto& [address, value] : bytes) expected[address] = value;
  expected = testing_support::WithChecksumWord(std::move(expected));
  EXPECT_TRUE(from_elf == expected);
  // The data's bytes follow the code's, where start-up code copies them from.
  EXPECT_EQ(from_elf[0x1234], 0x80);
  EXPECT_EQ(from_elf[0x1234 + 0x40], 0xFF);

  EXPECT_TRUE(ProgramFile("app.s19", testing_support::SrecFromBytes(bytes)) == from_elf);
  EXPECT_TRUE(ProgramFile("app.hex", testing_support::HexFromBytes(bytes)) == from_elf);

  // verify takes the ELF file too, against the flash it wrote.
  std::string flash_text(from_elf.begin(), from_elf.end());
  testing_support::WriteTextFile(dir.File("now.bin"), flash_text);
  // The flash holds valid user code now: the ISP pin keeps the part in its boot loader.
  StartSim({"--part", "LPC1115/303", "--flash-in", dir.File("now.bin"), "--isp-pin"});
  const auto result = Cli({"verify", "--port", Port(), "--no-start-isp", "app.elf"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  // The boot ROM hides the code's lowest bytes from R: the rest is compared.
  std::size_t in_window = 0;
  for (const auto& [address, value] : bytes) in_window += address < 0x200 ? 1 : 0;
  EXPECT_NE(result.out.find("Verify        ok: the flash equals the file (read back), " +
                            std::to_string(bytes.size() - in_window) + " bytes compared; " +
                            std::to_string(in_window) + " bytes of the file below 0x00000200"),
            std::string::npos)
      << result.out;
}

TEST_F(ImageFormatsTest, RefusedFilesNameWhatTheyAreBeforeAnyPortOpens) {
  const std::vector<std::uint8_t> code = Bytes(64, 0x10);
  const struct {
    const char* name;
    std::string content;
    const char* error;  // after "Error: " and the file's name
  } cases[] = {
      {"wide.elf", testing_support::ElfFile({{1, 0, 0, code}}, {2, 1, 62}),
       ": a 64-bit little-endian ELF file for x86-64: only a 32-bit little-endian ARM ELF file can "
       "be programmed"},
      {"big.elf", testing_support::ElfFile({{1, 0, 0, code}}, {1, 2, 40}),
       ": a 32-bit big-endian ELF file for ARM: only a 32-bit little-endian ARM ELF file can be "
       "programmed"},
      {"ram.elf", testing_support::ElfFile({{1, 0, 0, code}, {1, 0x10000000, 0x10000000, code}}),
       ": ELF segment 1 at 0x10000000 (64 bytes) lies outside the flash of every known part (512 "
       "KiB from 0x00000000)"},
      {"sum.s19",
       testing_support::SRecord(1, 0, code) + "\n" + "S1050010AABBCC\n" +
           testing_support::SRecord(9, 0, {}) + "\n",
       ": Invalid S-record file: line 2: checksum mismatch"},
      {"cut.s19", testing_support::SRecord(1, 0, code) + "\n",
       ": Invalid S-record file: line 2: no end record (S7, S8 or S9; is the file truncated?)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::WriteTextFile(dir.File(c.name), c.content);
    // No simulator: the port is never opened.
    const auto result = Cli({"program", "--port", "COM9", c.name});
    EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
    EXPECT_EQ(result.err, "Error: " + std::string(c.name) + c.error + "\n");
  }
}

}  // namespace
}  // namespace e2e
