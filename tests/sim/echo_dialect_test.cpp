#include <gtest/gtest.h>

#include <utility>

#include "part_driver.hpp"

namespace isp_sim::testing {
namespace {

const std::string kJ = "0\r\n913309739\r\n";           // the answer to J
const std::string kErased4 = "$_____P``\r\n1020\r\n";  // R of four erased bytes

struct EchoCase {
  const char* name;
  EchoDialect dialect;
  // What the host sends, one step after the other, and what comes back after each step.
  std::vector<std::pair<std::string, std::string>> steps;
};

PartSettings speaking(EchoDialect dialect) {
  PartSettings settings;
  settings.echo = dialect;
  return settings;
}

TEST(EchoDialects, ByteForByteOnASynchronisedPart) {
  constexpr EchoDialect crlf = EchoDialect::kCrLf;
  constexpr EchoDialect exact = EchoDialect::kExact;
  const EchoCase cases[] = {
      // Each complete line echoed once as text CR LF; empty lines are not echoed.
      {"crlf: CR", crlf, {{"J\r", "J\r\n" + kJ}}},
      {"crlf: CR LF", crlf, {{"J\r\n", "J\r\n" + kJ}}},
      {"crlf: LF", crlf, {{"J\n", "J\r\n" + kJ}}},
      {"crlf: extra CRs", crlf, {{"J\r\r\r", "J\r\n" + kJ}, {"\r\n\r", ""}}},
      {"crlf: A 0, A 1",
       crlf,
       {{"A 0\r\n", "A 0\r\n0\r\n"}, {"J\r\n", kJ}, {"A 1\r\n", "0\r\n"}, {"J\r\n", "J\r\n" + kJ}}},
      {"crlf: W data and checksum lines",
       crlf,
       {{"W 268436224 4\r\n", "W 268436224 4\r\n0\r\n"},
        {"$`0(#!```\r\r", "$`0(#!```\r\n"},
        {"10\r\n", "10\r\nOK\r\n"}}},
      {"crlf: R with RESEND and OK",
       crlf,
       {{"R 1024 4\r\n", "R 1024 4\r\n0\r\n" + kErased4},
        {"RESEND\r\n", "RESEND\r\n" + kErased4},
        {"OK\r\n", "OK\r\n"}}},
      // Every byte as it comes; a line ends at its CR, the LF after it is swallowed.
      {"exact: CR", exact, {{"J\r", "J\r" + kJ}}},
      {"exact: CR LF", exact, {{"J\r\n", "J\r" + kJ}}},
      {"exact: LF after CR in a later write",
       exact,
       {{"J\r", "J\r" + kJ}, {"\nK\r", "K\r0\r\n5\r\n2\r\n"}}},
      {"exact: LF alone ends the line", exact, {{"J\n", "J\n" + kJ}, {"\n\n", "\n\n"}}},
      {"exact: extra CRs", exact, {{"J\r\r\r", "J\r" + kJ + "\r\r"}, {"\r\n\r\n", "\r\r"}}},
      {"exact: the reply comes before the rest is read",
       exact,
       {{"J\r\nK", "J\r" + kJ + "K"}, {"\r\n", "\r0\r\n5\r\n2\r\n"}}},
      {"exact: A 0, A 1",
       exact,
       {{"A 0\r\n", "A 0\r0\r\n"}, {"J\r\n", kJ}, {"A 1\r\n", "0\r\n"}, {"J\r\n", "J\r" + kJ}}},
      {"exact: W data and checksum lines",
       exact,
       {{"W 268436224 4\r\n", "W 268436224 4\r0\r\n"},
        {"$`0(#!```\r\r", "$`0(#!```\r\r"},
        {"10\r\n", "10\rOK\r\n"}}},
      {"exact: W data lines ended CR LF",
       exact,
       {{"W 268436224 4\r\n", "W 268436224 4\r0\r\n"},
        {"$`0(#!```\r\n", "$`0(#!```\r"},
        {"10\r\n", "10\rOK\r\n"}}},
      {"exact: R with RESEND and OK",
       exact,
       {{"R 1024 4\r\n", "R 1024 4\r0\r\n" + kErased4},
        {"RESEND\r\n", "RESEND\r" + kErased4},
        {"OK\r\n", "OK\r"},
        {"J\r\n", "J\r" + kJ}}},
  };
  for (const EchoCase& test : cases) {
    SCOPED_TRACE(test.name);
    PartDriver driver(speaking(test.dialect));
    driver.synchronise();
    driver.unlock();
    for (const auto& [sent, expected] : test.steps) EXPECT_EQ(driver.send(sent), expected);
  }
}

TEST(EchoDialects, HandshakeAsTheWindowSendsIt) {
  // The window sends "Synchronized\r\n" and its own CR after it, then "12000\r" and a CR.
  const struct {
    EchoDialect dialect;
    const char* synchronized_echo;
    const char* frequency_echo;
  } cases[] = {
      {EchoDialect::kCrLf, "Synchronized\r\nOK\r\n", "12000\r\nOK\r\n"},
      {EchoDialect::kExact, "Synchronized\rOK\r\n\r", "12000\rOK\r\n\r"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.synchronized_echo);
    PartDriver driver(speaking(test.dialect));
    EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
    EXPECT_EQ(driver.send("Synchronized\r\n\r"), test.synchronized_echo);
    EXPECT_EQ(driver.send("12000\r\r"), test.frequency_echo);
    EXPECT_TRUE(driver.part().report().synchronised);
  }
}

TEST(EchoDialects, ExactEchoesAWrongSynchronizedLineAndStartsOver) {
  PartDriver driver(speaking(EchoDialect::kExact));
  ASSERT_EQ(driver.send("?"), "Synchronized\r\n");
  EXPECT_EQ(driver.send("Synchronised\r\n"), "Synchronised\r");
  EXPECT_EQ(driver.send("Synchronized\r\n"), "");  // waiting for '?' again
  EXPECT_EQ(driver.send("?"), "Synchronized\r\n");
}

// Three noise bytes (NUL, 0xFF, one more), then `text`.
void expect_noise_then(const std::string& output, const std::string& text) {
  ASSERT_EQ(output.size(), 3u + text.size()) << output;
  EXPECT_EQ(output.substr(0, 2), std::string("\0\xFF", 2));
  EXPECT_EQ(output.substr(3), text);
}

TEST(EchoDialects, ExactNoiseComesBeforeTheFirstEchoedByteOfEachLine) {
  PartSettings settings = speaking(EchoDialect::kExact);
  settings.faults.noise_bytes = 3;
  PartDriver driver(settings);
  expect_noise_then(driver.send("?"), "Synchronized\r\n");
  expect_noise_then(driver.send("Synch"), "Synch");
  EXPECT_EQ(driver.send("ronized\r\n"), "ronized\rOK\r\n");
  expect_noise_then(driver.send("12000\r\n"), "12000\rOK\r\n");
  expect_noise_then(driver.send("\r"), "\r");
}

}  // namespace
}  // namespace isp_sim::testing
