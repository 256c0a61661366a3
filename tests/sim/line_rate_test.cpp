// B and the rate of the part's UART: what B accepts, when the rate changes, and what bytes at
// the wrong rate become.
#include <gtest/gtest.h>

#include "part_driver.hpp"
#include "uart_rate.hpp"

namespace isp_sim::testing {
namespace {

TEST(LineRate, BAsksForTheRateOnceAndOnlyUpToMaxBaud) {
  PartSettings settings;
  settings.max_baud = 115200;
  PartDriver driver(settings);
  driver.synchronise();
  EXPECT_EQ(driver.command("B 230400 1"), echoed_reply("B 230400 1", 17));
  EXPECT_FALSE(driver.part().take_line_rate_request());
  EXPECT_EQ(driver.command("B 57600 1"), echoed_reply("B 57600 1", 0));
  EXPECT_EQ(driver.part().take_line_rate_request(), 57600u);
  EXPECT_FALSE(driver.part().take_line_rate_request());
  EXPECT_EQ(driver.part().report().baud_rate, 57600u);
}

TEST(LineRate, KeepBaudAnswersZeroButAsksForNoRate) {
  PartSettings settings;
  settings.faults.keep_baud = true;
  PartDriver driver(settings);
  driver.synchronise();
  EXPECT_EQ(driver.command("B 230400 1"), echoed_reply("B 230400 1", 0));
  EXPECT_FALSE(driver.part().take_line_rate_request());
}

TEST(LineRate, BytesPassOnlyWhereBothEndsAgree) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> uart;
    std::optional<std::uint32_t> host;
    bool garbled;
  };
  const Case cases[] = {
      {"same rate", 115200, 115200, false},
      {"host faster", 115200, 230400, true},
      {"host slower", 230400, 115200, true},
      {"host rate unknown", 115200, std::nullopt, false},
      {"part not yet autobauded", std::nullopt, 230400, false},
  };
  const std::string sent = "J\r\n?Synchronized\r\n\x00\xff";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UartRate uart;
    if (c.uart) uart.set(*c.uart);
    std::string bytes = sent;
    uart.carry(bytes, c.host);
    ASSERT_EQ(bytes.size(), sent.size());
    if (!c.garbled) {
      EXPECT_EQ(bytes, sent);
      continue;
    }
    for (std::size_t i = 0; i < sent.size(); ++i) EXPECT_NE(bytes[i], sent[i]) << "byte " << i;
  }
}

TEST(LineRate, AutobaudTakesTheHostsFirstRateUntilForgotten) {
  UartRate uart;
  uart.autobaud(115200);
  uart.autobaud(230400);
  EXPECT_EQ(uart.rate(), 115200u);
  uart.set(230400);
  EXPECT_EQ(uart.rate(), 230400u);
  uart.forget();
  uart.autobaud(9600);
  EXPECT_EQ(uart.rate(), 9600u);
}

}  // namespace
}  // namespace isp_sim::testing
