// The window's dialogue reads every echo as a line up to its LF. A boot loader
// that echoes each byte exactly as it came (LPC17xx and others) answers
// "Synchronized\r\n" with "Synchronized\rOK\r\n": the dialogue takes that for
// the echo and finds no reply after it.
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

TEST_F(E2eTest, ExactEchoDialectFailsAtSynchronize) {
  StartSim({"--echo", "exact"});
  const auto result = Program(testing_support::Pattern(0, 512), {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: Part not synchronized (while confirming the synchronisation: "
            "\"Synchronized\" got no answer)\n");
  EXPECT_NE(result.out.find("Synchronize     FAILED\n"), std::string::npos) << result.out;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  const auto report = Report();
  // The host gave up before it sent the crystal frequency.
  EXPECT_FALSE(report.at("synchronised").get<bool>()) << report.dump();
  EXPECT_TRUE(report.at("crystal_khz").is_null()) << report.dump();
  EXPECT_TRUE(report.at("sectors_erased").empty()) << report.dump();
}

}  // namespace
}  // namespace e2e
