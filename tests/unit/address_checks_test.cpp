// The checks of where an image begins: a decimal --address that is not a
// page multiple, and an image that begins inside sector 0 but not at 0.
#include "cli/address_checks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(AddressWarningTest, DecimalAddressOffThePageIsWarnedOfWithItsHexReading) {
  struct Case {
    const char* text;
    std::uint32_t value;
    const char* warning;
  } cases[] = {
      {"4000", 4000,
       "--address 4000 is read as decimal 4000 (0x00000FA0), not a multiple of 256: for the hex "
       "address write --address 0x4000"},
      {"100", 100,
       "--address 100 is read as decimal 100 (0x00000064), not a multiple of 256: for the hex "
       "address write --address 0x100"},
      {"4096", 4096, ""},      // decimal, and a whole page
      {"0", 0, ""},            // the usual start
      {"0x4000", 0x4000, ""},  // hex, as meant
      {"0X1F0", 0x1F0, ""},    // hex off the page is the user's own choice
  };
  for (const Case& c : cases) EXPECT_EQ(cli::AddressWarning(c.text, c.value), c.warning) << c.text;
}

isp::FlashImage ImageAt(std::uint32_t address, std::size_t count) {
  isp::FlashImage image;
  const std::vector<std::uint8_t> bytes(count, 0x5A);
  image.Place(address, bytes.data(), bytes.size(), 1);
  return image;
}

TEST(PartialSectorZeroTest, OnlyAnImageThatBeginsInsideSectorZeroIsRefused) {
  ASSERT_EQ(isp::LargestSectorZeroSize(), 4096u);
  const auto inside = cli::PartialSectorZeroRefusal(ImageAt(4000, 512));
  ASSERT_TRUE(inside.has_value());
  EXPECT_EQ(*inside,
            "the image begins at 0x00000FA0 (4000), inside sector 0 but not at 0: programming it "
            "erases sector 0 and leaves the part without valid user code (its vector table "
            "goes); give --allow-partial-sector-0 if that is meant");
  EXPECT_TRUE(isp::TouchesSectorZero(ImageAt(4000, 512)));
  struct Case {
    const char* name;
    std::uint32_t address;
    bool refused;
  } cases[] = {
      {"at 0", 0, false},
      {"in the vector table", 8, false},  // word 7 is then written, the table is the image's
      {"just past the table", 32, true},
      {"last byte of sector 0", 4095, true},
      {"sector 1", 4096, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli::PartialSectorZeroRefusal(ImageAt(c.address, 16)).has_value(), c.refused)
        << c.name;
  }
  EXPECT_FALSE(isp::TouchesSectorZero(ImageAt(4096, 16)));
}

}  // namespace
