// ELF files placed in a flash image by their segments' physical addresses,
// and those of another kind, or with segments the flash cannot hold, refused.
#include "isp/image/elf_image.h"

#include <gtest/gtest.h>

#include "cli/failure_text.h"
#include "tests/support/image_writers.h"

namespace {

using testing_support::ElfFile;
using testing_support::ElfSegment;

constexpr std::uint32_t kLimit = 64 * 1024;

std::vector<std::uint8_t> AsBytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(ElfImageTest, LoadSegmentsLandAtTheirPhysicalAddresses) {
  const std::vector<ElfSegment> segments = {
      {1, 0x0000, 0x0000, {1, 2, 3, 4}},
      {1, 0x10000000, 0x0004, {5, 6}},         // .data: runs in RAM, stored after the code
      {1, 0x10000002, 0x10000002, {}, 0x100},  // .bss: RAM only
      {6, 0x0100, 0x0100, {9, 9}},             // PT_PHDR: not loaded
  };
  isp::FlashImage image;
  isp::ImageError error;
  ASSERT_TRUE(isp::LoadElfImage(AsBytes(ElfFile(segments)), kLimit, image, error))
      << cli::ImageErrorText(error);
  EXPECT_EQ(image.End(), 6u);
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(image.At(i), i + 1) << i;
  EXPECT_FALSE(image.Placed(0x100, 2));
}

TEST(ElfImageTest, FilesOfAnotherKindOrWithSegmentsOutsideTheFlashAreRefused) {
  const std::vector<ElfSegment> code = {{1, 0, 0, {1, 2, 3, 4}}};
  std::string cut = ElfFile(code);
  cut.resize(cut.size() - 2);  // the segment's last bytes are missing
  std::string headers_cut = ElfFile(code);
  headers_cut.resize(60);
  const struct {
    const char* name;
    std::string file;
    const char* error;
  } cases[] = {
      {"64-bit", ElfFile(code, {2, 1, 183}),
       "a 64-bit little-endian ELF file for AArch64: only a 32-bit little-endian ARM ELF file can "
       "be programmed"},
      {"big-endian", ElfFile(code, {1, 2, 40}),
       "a 32-bit big-endian ELF file for ARM: only a 32-bit little-endian ARM ELF file can be "
       "programmed"},
      {"x86", ElfFile(code, {1, 1, 3}),
       "a 32-bit little-endian ELF file for x86: only a 32-bit little-endian ARM ELF file can be "
       "programmed"},
      {"unknown machine", ElfFile(code, {1, 1, 9999}),
       "a 32-bit little-endian ELF file for machine 9999: only a 32-bit little-endian ARM ELF file "
       "can be programmed"},
      {"header cut",
       std::string("\x7F"
                   "ELF\x01\x01\x01",
                   7) +
           std::string(20, '\0'),
       "the ELF header is cut short"},
      {"program headers cut", headers_cut, "the ELF program headers lie past the end of the file"},
      {"segment cut", cut, "ELF segment 0 at 0x00000000 (4 bytes) lies past the end of the file"},
      {"in RAM", ElfFile({{1, 0x10000000, 0x10000000, {1}}}),
       "ELF segment 0 at 0x10000000 (1 bytes) lies outside the flash of every known part (64 KiB "
       "from 0x00000000)"},
      {"across the top", ElfFile({code[0], {1, 0, kLimit - 2, {1, 2, 3}}}),
       "ELF segment 1 at 0x0000FFFE (3 bytes) lies outside the flash of every known part (64 KiB "
       "from 0x00000000)"},
      {"wrapping", ElfFile({{1, 0, 0xFFFFFFFF, {1, 2}}}),
       "ELF segment 0 at 0xFFFFFFFF (2 bytes) lies outside the flash of every known part (64 KiB "
       "from 0x00000000)"},
      {"nothing to write", ElfFile({{1, 0x10000000, 0x10000000, {}, 0x40}}),
       "the ELF file has no loadable segment with bytes to write"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    isp::FlashImage image;
    const std::uint8_t before = 0x42;
    image.Place(0, &before, 1, 1);
    isp::ImageError error;
    EXPECT_FALSE(isp::LoadElfImage(AsBytes(c.file), kLimit, image, error));
    EXPECT_EQ(cli::ImageErrorText(error), c.error);
    EXPECT_EQ(image.At(0), 0x42);  // left as it was
  }
}

}  // namespace
