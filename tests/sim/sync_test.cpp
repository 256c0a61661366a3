#include <gtest/gtest.h>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

TEST(Sync, HandshakeWithTheFramingsHostsUse) {
  PartDriver driver;
  EXPECT_EQ(driver.send("garbage\r\n\x55\x00"), "");  // all ignored before '?'
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
  EXPECT_EQ(driver.send("Synchronized\r\n"), "Synchronized\r\nOK\r\n");
  EXPECT_EQ(driver.send("12000\r\r"), "12000\r\nOK\r\n");  // second CR: an empty line
  EXPECT_EQ(driver.send("J\r\n\r"), lines({"J", "0", "913309739"}));
  EXPECT_EQ(driver.send("\r\n\n\r"), "");
  EXPECT_TRUE(driver.part().report().synchronised);
  EXPECT_EQ(driver.part().report().crystal_khz, 12000u);
}

TEST(Sync, LineEndsMayBeCrLfOrCrLf) {
  PartDriver driver;
  driver.synchronise();
  EXPECT_EQ(driver.send("K\r"), lines({"K", "0", "5", "2"}));
  EXPECT_EQ(driver.send("K\n"), lines({"K", "0", "5", "2"}));
  EXPECT_EQ(driver.send("K\r\nK\r\n"), lines({"K", "0", "5", "2", "K", "0", "5", "2"}));
}

TEST(Sync, WrongLineInsteadOfSynchronizedStartsOver) {
  PartDriver driver;
  ASSERT_EQ(driver.send("?"), "Synchronized\r\n");
  EXPECT_EQ(driver.send("?Synchronized\r\n"), "");
  EXPECT_EQ(driver.send("Synchronized\r\n"), "");  // waiting for '?' again
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
  EXPECT_EQ(driver.send("Synchronized\r\n"), "Synchronized\r\nOK\r\n");
  EXPECT_FALSE(driver.part().report().synchronised);
}

TEST(Sync, FrequencyThatIsNotANumberStartsOver) {
  PartDriver driver;
  driver.send("?");
  driver.send("Synchronized\r\n");
  EXPECT_EQ(driver.send("12 MHz\r\n"), "12 MHz\r\n");
  EXPECT_EQ(driver.send("J\r\n"), "");
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
}

TEST(Sync, EchoCanBeSwitchedOff) {
  PartDriver driver;
  driver.synchronise();
  EXPECT_EQ(driver.command("A 0"), lines({"A 0", "0"}));
  EXPECT_EQ(driver.command("J"), lines({"0", "913309739"}));
  EXPECT_EQ(driver.command("A 1"), lines({"0"}));
  EXPECT_EQ(driver.command("J"), lines({"J", "0", "913309739"}));
}

TEST(Sync, SerialNumberIsFourWords) {
  PartDriver driver;
  driver.synchronise();
  const std::string reply = driver.command("N");
  ASSERT_EQ(reply.substr(0, 6), "N\r\n0\r\n");
  std::size_t count = 0;
  for (std::size_t pos = 6; pos < reply.size(); pos = reply.find("\r\n", pos) + 2) ++count;
  EXPECT_EQ(count, 4u);
}

}  // namespace
}  // namespace isp_sim::testing
