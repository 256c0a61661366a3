#include <gtest/gtest.h>

#include <numeric>

#include "part_driver.hpp"
#include "part_memory.hpp"
#include "uu_codec.hpp"

namespace isp_sim::testing {
namespace {

PartSettings as_part(const PartInfo& part) {
  PartSettings settings;
  settings.part = part;
  settings.part_id = part.id;
  return settings;
}

std::string name_of(const PartInfo& part) {
  return std::string(part.name);
}

// The return code a command is answered with (the echo and any data lines aside).
int code_of(PartDriver& driver, const std::string& line) {
  const std::string reply = driver.command(line);
  const std::size_t start = reply.find("\r\n") + 2;
  return std::stoi(reply.substr(start, reply.find("\r\n", start) - start));
}

TEST(PartTable, RowsHoldTogether) {
  for (const PartInfo& part : part_table()) {
    SCOPED_TRACE(name_of(part));
    std::uint32_t sectors = 0;
    for (const SectorRun& run : part.sectors) sectors += run.count * run.size;
    EXPECT_EQ(sectors, part.flash_size);
    EXPECT_EQ(part.ram_buffer_end, kRamBase + part.ram_size - 256);
    EXPECT_LT(part.ram_buffer_start, part.ram_buffer_end);
    EXPECT_EQ(find_part_by_id(part.id)->name, part.name);
  }
  EXPECT_EQ(default_part().name, "LPC1227");
  EXPECT_EQ(default_part().id, kDefaultPartId);
  EXPECT_EQ(find_part_by_name("lpc1115/303")->id, 0x00050080u);
  EXPECT_FALSE(find_part_by_name("LPC1115").has_value());
  EXPECT_FALSE(find_part_by_id(123456789).has_value());
}

TEST(PartGeometry, EveryPartAtTheEdgesOfItsFlashAndRam) {
  for (const PartInfo& part : part_table()) {
    SCOPED_TRACE(name_of(part));
    PartDriver driver(as_part(part));
    driver.synchronise();
    driver.unlock();
    const unsigned last = part.sectors[0].count + part.sectors[1].count - 1;
    const std::string last_sector = std::to_string(last);
    const std::string past = std::to_string(last + 1);
    const std::string flash_end = std::to_string(part.flash_size);
    const std::string ram_end = std::to_string(kRamBase + part.ram_size);
    const std::string window_start = std::to_string(part.ram_buffer_start);
    const std::string window_end = std::to_string(part.ram_buffer_end);

    EXPECT_EQ(driver.command("J"), lines({"J", "0", std::to_string(part.id)}));
    EXPECT_EQ(code_of(driver, "P 0 " + past), 7);
    EXPECT_EQ(code_of(driver, "I " + past + " " + past), 7);
    EXPECT_EQ(code_of(driver, "I 0 " + last_sector), 0);
    EXPECT_EQ(code_of(driver, "R " + flash_end + " 4"), 4);
    EXPECT_EQ(code_of(driver, "R " + ram_end + " 4"), 4);
    EXPECT_EQ(code_of(driver, "M " + flash_end + " 268435456 4"), 5);
    EXPECT_EQ(code_of(driver, "W " + std::to_string(part.ram_buffer_start - 4) + " 4"), 5);
    EXPECT_EQ(code_of(driver, "W " + window_end + " 4"), 5);
    EXPECT_EQ(code_of(driver, "W " + std::to_string(part.ram_buffer_end - 4) + " 8"), 5);

    // The last 256 bytes of flash, copied from the first bytes "W" may write.
    std::vector<std::uint8_t> block(256);
    std::iota(block.begin(), block.end(), std::uint8_t{1});
    driver.write_ram(part.ram_buffer_start, block);
    driver.write_ram(part.ram_buffer_end - 4, {9, 9, 9, 9});
    const std::string top = std::to_string(part.flash_size - 256);
    EXPECT_EQ(code_of(driver, "C " + top + " " + window_start + " 512"), 5);
    EXPECT_EQ(code_of(driver, "C " + top + " " + window_start + " 256"), 9);
    EXPECT_EQ(code_of(driver, "P " + last_sector + " " + last_sector), 0);
    EXPECT_EQ(code_of(driver, "C " + top + " " + window_start + " 256"), 0);
    EXPECT_EQ(driver.part().memory().read(part.flash_size - 256, 256), block);
    EXPECT_EQ(code_of(driver, "I " + last_sector + " " + last_sector), 8);
    EXPECT_EQ(driver.command("R " + std::to_string(part.flash_size - 4) + " 4"),
              lines({"R " + std::to_string(part.flash_size - 4) + " 4", "0", "$_?[_````", "762"}));
    driver.command("OK");
    EXPECT_EQ(code_of(driver, "R " + std::to_string(kRamBase + part.ram_size - 4) + " 4"), 0);
    driver.command("OK");
    EXPECT_EQ(code_of(driver, "P " + last_sector + " " + last_sector), 0);
    EXPECT_EQ(code_of(driver, "E " + last_sector + " " + last_sector), 0);
    EXPECT_EQ(code_of(driver, "I 0 " + last_sector), 0);
  }
}

TEST(PartGeometry, ThirtyTwoKiBSectorsAreOneSectorEach) {
  PartDriver driver(as_part(*find_part_by_name("LPC1768")));
  driver.synchronise();
  driver.unlock();
  driver.write_ram(kRamBuffer, std::vector<std::uint8_t>(512, 0x5A));
  // Sector 16 is 0x10000..0x17FFF, sector 17 starts at 0x18000 (98304).
  EXPECT_EQ(code_of(driver, "P 16 16"), 0);
  EXPECT_EQ(code_of(driver, "C 98048 268436224 512"), 9);  // 0x17F00: runs into sector 17
  EXPECT_EQ(code_of(driver, "C 98048 268436224 256"), 0);  // the top of sector 16
  EXPECT_EQ(driver.command("I 16 16"), lines({"I 16 16", "8", "32512", "1515870810"}));
  EXPECT_EQ(driver.command("I 17 29"), lines({"I 17 29", "0"}));
  EXPECT_EQ(code_of(driver, "P 16 17"), 0);
  EXPECT_EQ(code_of(driver, "E 16 16"), 0);  // the whole 32 KiB, and sector 17 stays prepared
  EXPECT_EQ(driver.part().memory().read(65536, 32768), std::vector<std::uint8_t>(32768, 0xFF));
  EXPECT_EQ(code_of(driver, "C 98048 268436224 512"), 9);
  EXPECT_EQ(code_of(driver, "P 16 16"), 0);
  EXPECT_EQ(code_of(driver, "C 98048 268436224 512"), 0);
  EXPECT_EQ(driver.part().memory().read(98048, 512), std::vector<std::uint8_t>(512, 0x5A));
  EXPECT_EQ(driver.part().report().sectors_erased, (std::set<unsigned>{16}));
}

TEST(PartGeometry, SectorNumbersOfMixedSizes) {
  const PartMemory memory(*find_part_by_name("LPC1768"));
  EXPECT_EQ(memory.sector_count(), 30u);
  const struct {
    std::uint32_t address;
    unsigned sector;
  } cases[] = {{0, 0}, {0xFFFF, 15}, {0x10000, 16}, {0x17FFF, 16}, {0x18000, 17}, {0x7FFFF, 29}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.address);
    EXPECT_EQ(memory.sector_of(test.address), test.sector);
  }
  EXPECT_EQ(memory.sector_start(16), 0x10000u);
  EXPECT_EQ(memory.sector_size(16), 0x8000u);
  EXPECT_EQ(memory.sector_start(29), 0x78000u);
  EXPECT_EQ(memory.sector_size(15), 0x1000u);
}

TEST(PartGeometry, CompareSeesTheBootRomOverLowFlash) {
  for (const char* name : {"LPC1227", "LPC1768"}) {
    SCOPED_TRACE(name);
    const PartInfo part = *find_part_by_name(name);
    std::vector<std::uint8_t> image(1024);
    std::iota(image.begin(), image.end(), std::uint8_t{0});
    PartDriver driver(as_part(part), image);
    driver.synchronise();
    driver.unlock();
    driver.write_ram(part.ram_buffer_start, image);
    const std::string ram = std::to_string(part.ram_buffer_start);
    const std::string window = std::to_string(part.boot_rom_window);
    const std::string ram_above = std::to_string(part.ram_buffer_start + part.boot_rom_window);
    // The same bytes in flash and RAM: a compare over the low flash still differs at once ...
    EXPECT_EQ(driver.command("M 0 " + ram + " 1024"), lines({"M 0 " + ram + " 1024", "10", "0"}));
    EXPECT_EQ(driver.command("M " + window + " " + ram_above + " 4"),
              lines({"M " + window + " " + ram_above + " 4", "0"}));
    const std::string below = std::to_string(part.boot_rom_window - 4);
    const std::string ram_below = std::to_string(part.ram_buffer_start + part.boot_rom_window - 4);
    EXPECT_EQ(code_of(driver, "M " + below + " " + ram_below + " 4"), 10);
  }
}

// R of the window's last word and the flash's word above it: the boot ROM's word by default,
// the flash's with --read-sees-flash; above the window always the flash.
TEST(PartGeometry, ReadShowsTheBootRomInTheWindowUnlessItSeesTheFlash) {
  for (const char* name : {"LPC1227", "LPC1768"}) {
    for (const bool sees_flash : {false, true}) {
      SCOPED_TRACE(std::string(name) + (sees_flash ? " sees flash" : " sees the boot ROM"));
      PartSettings settings = as_part(*find_part_by_name(name));
      settings.read_sees_flash = sees_flash;
      std::vector<std::uint8_t> image(1024);
      std::iota(image.begin(), image.end(), std::uint8_t{0});
      PartMemory memory(settings.part);
      memory.load_flash(image);
      PartDriver driver(settings, image);
      driver.synchronise();
      const std::uint32_t last = settings.part.boot_rom_window - 4;
      std::vector<std::uint8_t> expected(image.begin() + last, image.begin() + last + 8);
      if (!sees_flash) {
        const std::uint32_t rom = memory.read_word_seen_by_boot_loader(last);
        ASSERT_NE(rom, memory.read_word(last));
        for (std::size_t i = 0; i < 4; ++i) expected[i] = static_cast<std::uint8_t>(rom >> (8 * i));
      }
      const std::uint32_t sum = std::accumulate(expected.begin(), expected.end(), 0u);
      const std::string line = "R " + std::to_string(last) + " 8";
      EXPECT_EQ(driver.command(line),
                lines({line, "0", uu_encode_line(expected), std::to_string(sum)}));
    }
  }
}

}  // namespace
}  // namespace isp_sim::testing
