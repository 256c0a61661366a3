// The rules an image must meet before it is programmed: a vector table, or
// else keeping clear of sector 0 unless allowed; no lock-out of the boot
// loader unless allowed; warnings in the order they are given.
#include "isp/verified/image_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "cli/address_checks.h"

namespace {

using isp::ImageRefusalKind;
using isp::ProtectionLevel;
using isp::WarningKind;

// An image with bytes at address, and the protection word when one is given.
isp::FlashImage ImageAt(std::uint32_t address, std::size_t count, std::uint32_t word = 0) {
  isp::FlashImage image;
  const std::vector<std::uint8_t> bytes(count, 0x5A);
  image.Place(address, bytes.data(), bytes.size(), 1);
  if (word != 0) {
    const std::uint8_t le[] = {
        static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
        static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
    image.Place(isp::kProtectionWordAddress, le, sizeof le, 2);
  }
  image.SetChecksumWord7();
  return image;
}

constexpr std::uint32_t kCrp1 = 0x12345678;
constexpr std::uint32_t kCrp3 = 0x43218765;
constexpr std::uint32_t kNoIsp = 0x4E697370;

TEST(ImageRulesTest, FindingsAreTheWarningsInOrderAndTheRefusalAfterThem) {
  struct Expected {
    std::vector<std::pair<WarningKind, ProtectionLevel>> warnings = {};
    std::optional<ImageRefusalKind> refusal = std::nullopt;
    std::uint32_t first_address = 0;
    ProtectionLevel level = ProtectionLevel::kNone;
  };
  const struct {
    const char* name;
    isp::FlashImage image;
    isp::ImageRuleChoices choices;
    Expected expected;
  } cases[] = {
      {"vector table", ImageAt(0, 64), {}, {}},
      {"sector 1 only", ImageAt(0x1000, 16), {}, {.warnings = {{WarningKind::kNoVectorTable, {}}}}},
      {"sector 1 only, every sector erased",
       ImageAt(0x1000, 16),
       {.erase_all = true},
       {.warnings = {{WarningKind::kSectorZeroErased, {}}}}},
      {"inside sector 0",
       ImageAt(0x100, 16),
       {},
       {.refusal = ImageRefusalKind::kPartialSectorZero, .first_address = 0x100}},
      {"inside sector 0, allowed",
       ImageAt(0x100, 16),
       {.allow_partial_sector_0 = true},
       {.warnings = {{WarningKind::kSectorZeroErased, {}}}}},
      {"CRP1",
       ImageAt(0, 64, kCrp1),
       {},
       {.warnings = {{WarningKind::kProtection, ProtectionLevel::kCrp1}}}},
      {"CRP3",
       ImageAt(0, 64, kCrp3),
       {},
       {.refusal = ImageRefusalKind::kLocksThePart, .level = ProtectionLevel::kCrp3}},
      {"CRP3, allowed",
       ImageAt(0, 64, kCrp3),
       {.allow_lock = true},
       {.warnings = {{WarningKind::kProtection, ProtectionLevel::kCrp3}}}},
      // Only the protection word in sector 0: refused for sector 0 first;
      // allowed that, it is warned of and then refused for the lock.
      {"NO_ISP alone",
       ImageAt(0x2000, 4, kNoIsp),
       {},
       {.refusal = ImageRefusalKind::kPartialSectorZero,
        .first_address = isp::kProtectionWordAddress}},
      {"NO_ISP alone, sector 0 allowed",
       ImageAt(0x2000, 4, kNoIsp),
       {.allow_partial_sector_0 = true},
       {.warnings = {{WarningKind::kSectorZeroErased, {}}},
        .refusal = ImageRefusalKind::kLocksThePart,
        .level = ProtectionLevel::kNoIsp}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const isp::ImageFindings findings = isp::JudgeImage(c.image, c.choices);
    std::vector<std::pair<WarningKind, ProtectionLevel>> warnings = {};
    for (const isp::Warning& warning : findings.warnings)
      warnings.emplace_back(warning.kind, warning.level);
    EXPECT_EQ(warnings, c.expected.warnings);
    ASSERT_EQ(findings.refusal.has_value(), c.expected.refusal.has_value());
    if (!findings.refusal) continue;
    EXPECT_EQ(findings.refusal->kind, *c.expected.refusal);
    EXPECT_EQ(findings.refusal->first_address, c.expected.first_address);
    EXPECT_EQ(findings.refusal->level, c.expected.level);
  }
}

TEST(ImageRulesTest, RefusalsAreWordedWithTheirValues) {
  const isp::ImageFindings lock = isp::JudgeImage(ImageAt(0, 64, kNoIsp), {});
  ASSERT_TRUE(lock.refusal.has_value());
  EXPECT_EQ(lock.refusal->protection_word, kNoIsp);
  EXPECT_EQ(cli::ImageRefusalText(*lock.refusal, "app.hex"),
            "app.hex sets NO_ISP (word 0x4E697370 at 0x2FC), which locks the part out of its boot "
            "loader for good: give --allow-lock if that is meant");
  const isp::ImageFindings inside = isp::JudgeImage(ImageAt(4000, 512), {});
  ASSERT_TRUE(inside.refusal.has_value());
  EXPECT_EQ(cli::ImageRefusalText(*inside.refusal, "app.bin"),
            "the image begins at 0x00000FA0 (4000), inside sector 0 but not at 0: programming it "
            "erases sector 0 and leaves the part without valid user code (its vector table "
            "goes); give --allow-partial-sector-0 if that is meant");
}

}  // namespace
