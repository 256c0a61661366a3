// --fast-baud: the command line's switch to a faster line after identifying
// the part, against isp-sim in both echo dialects, and its fall back.
#include <sstream>

#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;

const ByteMap kImage = Pattern(0, 0x3000);

std::vector<std::uint8_t> ExpectedStart(const ByteMap& bytes, std::size_t size) {
  std::vector<std::uint8_t> flash(size, 0xFF);
  for (const auto& [address, value] : bytes) flash[address] = value;
  return testing_support::WithChecksumWord(std::move(flash));
}

// The bytes the host sent while the part's UART ran at baud.
std::uint64_t ReceivedAt(const nlohmann::json& report, std::uint32_t baud) {
  for (const nlohmann::json& rate : report.at("line_rates")) {
    if (rate.at("baud") == baud) return rate.at("bytes_received").get<std::uint64_t>();
  }
  return 0;
}

class FastBaudDialectTest : public E2eTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FastBaudDialectTest, ProgramsAndReadsBackAtTheFasterRate) {
  StartSim({"--echo", GetParam()});
  const auto result =
      Program(kImage, {"--no-start-isp", "--fast-baud", "230400", "--verify", "read"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("Identify      LPC1227, 128 KiB flash\nLine rate     230400 baud\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("\nVerify        ok: the flash equals the file (read back)"),
            std::string::npos)
      << result.out;
  const auto flash = Flash();
  const auto expected = ExpectedStart(kImage, flash.size());
  EXPECT_TRUE(flash == expected);
  const nlohmann::json report = Report();
  EXPECT_EQ(report.at("baud_rate"), 230400);
  // All but the synchronisation, the unlock, the id and B itself went at the new rate.
  EXPECT_LT(ReceivedAt(report, 115200), 100u);
  EXPECT_GT(ReceivedAt(report, 230400), kImage.size());
}

struct FallBackCase {
  const char* name;
  std::vector<std::string> sim_flags;
  const char* why;
};

void PrintTo(const FallBackCase& c, std::ostream* os) {
  *os << c.name;
}

class FastBaudFallBackTest : public E2eTest, public ::testing::WithParamInterface<FallBackCase> {};

// The run completes at the rate it synchronised at, with one warning line.
TEST_P(FastBaudFallBackTest, CompletesAtTheOldRateWithAWarning) {
  const FallBackCase& c = GetParam();
  StartSim(c.sim_flags);
  const auto result = Program(kImage, {"--no-start-isp", "--fast-baud", "230400"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "Warning: --fast-baud 230400 not used: " + std::string(c.why) +
                            "; the run goes on at 115200 baud\n");
  EXPECT_EQ(result.out.find("Line rate"), std::string::npos) << result.out;
  EXPECT_TRUE(result.out.ends_with("Complete.\n")) << result.out;
  const auto flash = Flash();
  EXPECT_TRUE(flash == ExpectedStart(kImage, flash.size()));
  const nlohmann::json report = Report();
  EXPECT_EQ(ReceivedAt(report, 230400), 0u);
  EXPECT_GT(ReceivedAt(report, 115200), kImage.size());
}

INSTANTIATE_TEST_SUITE_P(Parts, FastBaudFallBackTest,
                         ::testing::Values(FallBackCase{"max_baud_crlf",
                                                        {"--max-baud", "115200"},
                                                        "the part refused it (INVALID_BAUD_RATE)"},
                                           FallBackCase{"max_baud_exact",
                                                        {"--max-baud", "115200", "--echo", "exact"},
                                                        "the part refused it (INVALID_BAUD_RATE)"},
                                           FallBackCase{"keeps_its_rate_crlf",
                                                        {"--keep-baud"},
                                                        "the part did not answer at that rate"},
                                           FallBackCase{"keeps_its_rate_exact",
                                                        {"--keep-baud", "--echo", "exact"},
                                                        "the part did not answer at that rate"}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_P(FastBaudDialectTest, ReadAtTheFasterRateGivesTheBytesReadAt115200) {
  StartSim({"--echo", GetParam()}, false);
  ASSERT_EQ(Program(kImage, {"--no-start-isp", "--no-run", "--fast-baud", "off"}).exit_status, 0);
  std::string outs[2];
  const char* rates[2] = {"230400", "off"};
  for (int i = 0; i < 2; ++i) {
    const std::string out = std::string("read-") + rates[i] + ".bin";
    const auto result = Cli({"read", "--port", Port(), "--no-start-isp", "--fast-baud", rates[i],
                             "--address", "0x200", "--length", "0x2E00", "--out", out});
    EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
    EXPECT_EQ(result.out.find("Line rate     230400 baud\n") != std::string::npos, i == 0)
        << result.out;
    outs[i] = FileText(out);
  }
  EXPECT_EQ(outs[0].size(), 0x2E00u);
  EXPECT_TRUE(outs[0] == outs[1]);
  const auto expected = ExpectedStart(kImage, 0x3000);
  EXPECT_TRUE(outs[0] == std::string(expected.begin() + 0x200, expected.end()));
  // The read at the faster rate left the part at 115200 for the next one.
  const nlohmann::json report = Report();
  EXPECT_EQ(report.at("baud_rate"), 115200);
  EXPECT_GT(ReceivedAt(report, 230400), 0u);
}

// On a line paced at 19200 the LF of B's answer is still going out when its
// CR has come; the switch, and the way back from a part that kept its rate,
// hold there too.
TEST_P(FastBaudDialectTest, ASwitchFromASlowPacedLineHoldsAndSoDoesItsFallBack) {
  const ByteMap image = Pattern(0, 0x400);
  for (const bool keeps_its_rate : {false, true}) {
    SCOPED_TRACE(keeps_its_rate ? "the part keeps its rate" : "the part switches");
    std::vector<std::string> flags = {"--echo", GetParam(), "--baud-rate", "19200"};
    if (keeps_its_rate) flags.push_back("--keep-baud");
    StartSim(flags);
    const auto result =
        Program(image, {"--no-start-isp", "--baud", "19200", "--fast-baud", "38400"});
    EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
    EXPECT_EQ(result.err, keeps_its_rate ? "Warning: --fast-baud 38400 not used: the part did "
                                           "not answer at that rate; the run goes on at 19200 "
                                           "baud\n"
                                         : "");
    EXPECT_EQ(result.out.find("Line rate     38400 baud\n") != std::string::npos, !keeps_its_rate)
        << result.out;
    const auto flash = Flash();
    EXPECT_TRUE(flash == ExpectedStart(image, flash.size()));
    const nlohmann::json report = Report();
    EXPECT_GT(ReceivedAt(report, keeps_its_rate ? 19200 : 38400), image.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Dialects, FastBaudDialectTest, ::testing::Values("crlf", "exact"));

TEST_F(E2eTest, JsonCarriesTheRateInUse) {
  StartSim();
  const auto result = Program(kImage, {"--no-start-isp", "--json"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("{\"baud\":230400,\"event\":\"line_rate\"}\n"), std::string::npos)
      << result.out;
  std::size_t progress = 0;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json event = nlohmann::json::parse(line);
    if (event.at("event") != "progress") continue;
    ++progress;
    EXPECT_EQ(event.at("baud"), 230400) << line;
  }
  EXPECT_GT(progress, 0u);
}

TEST_F(E2eTest, ARateTheBootLoaderDoesNotTakeIsAUsageErrorNamingTheAllowedOnes) {
  for (const char* rate : {"250000", "460800", "fast"}) {
    SCOPED_TRACE(rate);
    const auto result = Cli({"erase", "--port", "/nonexistent/port", "--all", "--fast-baud", rate});
    EXPECT_EQ(result.exit_status, 64);
    EXPECT_NE(result.err.find("allowed: off, 9600, 19200, 38400, 57600, 115200, 230400"),
              std::string::npos)
        << result.err;
  }
}

}  // namespace
}  // namespace e2e
