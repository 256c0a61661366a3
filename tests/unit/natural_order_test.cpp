#include "comm/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(NaturalOrderTest, NumbersCompareByValue) {
  struct Pair {
    const char* before;
    const char* after;
  };
  const Pair kPairs[] = {
      {"ttyS2", "ttyS10"},  {"ttyS9", "ttyS10"},  {"ttyS0", "ttyS1"},      {"ttyS", "ttyS0"},
      {"ttyACM0", "ttyS0"}, {"ttyS1", "ttyUSB0"}, {"ttyUSB9", "ttyUSB10"}, {"ttyS2a", "ttyS10a"},
      {"a2b3", "a2b10"},    {"ttyS01", "ttyS1"},  {"ttyS001", "ttyS01"},   {"ttyS02", "ttyS10"},
  };
  for (const Pair& pair : kPairs) {
    EXPECT_TRUE(comm::NaturalLess(pair.before, pair.after)) << pair.before << " < " << pair.after;
    EXPECT_FALSE(comm::NaturalLess(pair.after, pair.before)) << pair.after << " < " << pair.before;
  }
  EXPECT_FALSE(comm::NaturalLess("ttyS3", "ttyS3"));
}

TEST(NaturalOrderTest, SortsPortNames) {
  std::vector<std::string> names = {"ttyUSB10", "ttyS10", "ttyUSB2", "ttyS2", "ttyACM0", "ttyS1"};
  std::sort(names.begin(), names.end(), comm::NaturalLess);
  EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS1", "ttyS2", "ttyS10", "ttyUSB2",
                                             "ttyUSB10"}));
}

}  // namespace
