#include "cli/sector_range.h"

#include <gtest/gtest.h>

#include "isp/part_table.h"
#include "isp/verified/sector_erase.h"

namespace {

TEST(SectorRangeTest, RangesAndSingleSectorsParseOthersDoNot) {
  const struct {
    const char* text;
    std::optional<std::pair<unsigned, unsigned>> span;
  } cases[] = {
      {"2-5", std::make_pair(2u, 5u)},
      {"0-31", std::make_pair(0u, 31u)},
      {"7", std::make_pair(7u, 7u)},
      {"3-3", std::make_pair(3u, 3u)},
      {"5-2", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"2-", std::nullopt},
      {"-5", std::nullopt},
      {"a-b", std::nullopt},
      {"1-2-3", std::nullopt},
      {" 1-2", std::nullopt},
      {"0x1-0x2", std::nullopt},
      {"99999999999-1", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto span = cli::ParseSectorRange(c.text);
    ASSERT_EQ(span.has_value(), c.span.has_value());
    if (span) {
      EXPECT_EQ(std::make_pair(span->first, span->last), *c.span);
    }
  }
}

TEST(SectorRangeTest, RangeIsCheckedAgainstThePartsSectors) {
  const isp::PartInfo& lpc1227 = *isp::FindPart(0x3670002B);  // sectors 0-31
  const isp::PartInfo& lpc1768 = *isp::FindPart(0x26013F37);  // sectors 0-29
  EXPECT_EQ(isp::SpanOutsidePart(lpc1227, {0, 31}), std::nullopt);
  EXPECT_EQ(isp::SpanOutsidePart(lpc1768, {16, 29}), std::nullopt);
  EXPECT_EQ(isp::SpanOutsidePart(lpc1227, {30, 32}),
            "sector 32 does not exist: the LPC1227 has sectors 0-31");
  EXPECT_EQ(isp::SpanOutsidePart(lpc1768, {30, 30}),
            "sector 30 does not exist: the LPC1768 has sectors 0-29");
}

}  // namespace
