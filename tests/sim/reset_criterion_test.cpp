#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "image_files.hpp"
#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

void put_word(std::vector<std::uint8_t>& image, std::size_t index, std::uint32_t word) {
  for (std::size_t byte = 0; byte < 4; ++byte) {
    image[index * 4 + byte] = static_cast<std::uint8_t>(word >> (8 * byte));
  }
}

struct CriterionCase {
  const char* name;
  std::vector<std::uint8_t> image;
  bool valid;
};

TEST(ResetCriterion, FirmwareRunsOnlyWhenTheFirstEightWordsSumToZero) {
  std::vector<std::uint8_t> off_by_one = valid_user_code_image();
  put_word(off_by_one, 7, 0);  // any non-compensating checksum word
  std::vector<std::uint8_t> wraps(32, 0);
  put_word(wraps, 0, 0xFFFFFFFF);  // 0xFFFFFFFF + 1 wraps to 0 mod 2^32
  put_word(wraps, 7, 1);
  std::vector<std::uint8_t> short_image = {0x00, 0x20, 0x00, 0x10};  // rest stays 0xFF

  const CriterionCase cases[] = {
      {"erased flash", {}, false},
      {"vector table with checksum word", valid_user_code_image(), true},
      {"checksum word wrong", off_by_one, false},
      {"sum wraps modulo 2^32", wraps, true},
      {"short image, rest erased", short_image, false},
  };
  for (const CriterionCase& test : cases) {
    SCOPED_TRACE(test.name);
    PartDriver driver({}, test.image);
    EXPECT_EQ(driver.part().running_firmware(), test.valid);
    EXPECT_EQ(driver.part().report().user_code_valid, test.valid);
    // The boot loader answers '?', the firmware ignores it.
    EXPECT_EQ(driver.send("?"), test.valid ? "" : "Synchronized\r\n");
  }
}

TEST(FlashImageFile, ShortFileFillsTheStartAndTooLongFileIsRefused) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string short_path = (dir / "isp_sim_short.bin").string();
  const std::string long_path = (dir / "isp_sim_long.bin").string();
  std::ofstream(short_path, std::ios::binary) << "\x12\x34\x56";
  constexpr std::uint32_t kLimit = 65536;
  std::ofstream(long_path, std::ios::binary) << std::string(kLimit + 1, 'x');

  const std::vector<std::uint8_t> image = read_flash_image(short_path, kLimit);
  PartMemory memory;
  memory.load_flash(image);
  EXPECT_EQ(memory.read(0, 5), (std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0xFF, 0xFF}));
  EXPECT_EQ(memory.flash().size(), default_part().flash_size);
  EXPECT_EQ(read_flash_image(long_path, kLimit + 1).size(), kLimit + 1);  // exactly the flash
  EXPECT_THROW(read_flash_image(long_path, kLimit), std::runtime_error);
  EXPECT_THROW(read_flash_image((dir / "isp_sim_missing.bin").string(), kLimit),
               std::runtime_error);

  std::filesystem::remove(short_path);
  std::filesystem::remove(long_path);
}

}  // namespace
}  // namespace isp_sim::testing
