#include <sys/stat.h>

#include <algorithm>

#include "comm/comm.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;

struct SuccessCase {
  const char* name;
  ByteMap bytes;
  const char* erased_caption;
};

// Names the case in test listings.
void PrintTo(const SuccessCase& c, std::ostream* os) {
  *os << c.name;
}

// Bytes 512 to 1023 all 0xFF, behind a first block of the pattern.
ByteMap BlockOfFf() {
  ByteMap bytes = Pattern(0, 512);
  for (std::uint32_t i = 512; i < 1024; ++i) bytes[i] = 0xFF;
  return bytes;
}

class ProgramSuccessTest : public E2eTest, public ::testing::WithParamInterface<SuccessCase> {};

TEST_P(ProgramSuccessTest, FlashHoldsTheImageAndTheModuleStartsIt) {
  const SuccessCase& c = GetParam();
  StartSim();
  const auto result = Program(c.bytes, {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  const std::string lights = std::string("Connect         ok\n") + "Synchronize     ok\n" +
                             "Unlock          ok\n" + c.erased_caption + "ok\n" +
                             "Blank Check     ok\n" + "Program         ok\n" +
                             "Restart Module  ok\n";
  std::string shown;
  for (std::size_t at = 0, end; (end = result.out.find('\n', at)) != std::string::npos;
       at = end + 1) {
    const std::string line = result.out.substr(at, end + 1 - at);
    if (line.find("ok\n") != std::string::npos) shown += line;
  }
  EXPECT_EQ(shown, lights);
  EXPECT_NE(result.out.find("Progress 99%\n"), std::string::npos);
  EXPECT_TRUE(result.out.ends_with("Progress 100%\nComplete.\n")) << result.out;

  const auto flash = Flash();
  const auto expected = testing_support::FlashAfterRun(c.bytes);
  ASSERT_EQ(flash.size(), expected.size());
  EXPECT_TRUE(flash == expected);
  const auto report = Report();
  EXPECT_TRUE(report.at("user_code_valid").get<bool>()) << report.dump();
  EXPECT_TRUE(report.at("firmware_running").get<bool>()) << report.dump();

  const std::string log = FileText("commlog.txt");
  EXPECT_TRUE(log.starts_with("Start?Synchronized")) << log.substr(0, 40);
  EXPECT_TRUE(log.ends_with("End."));
}

INSTANTIATE_TEST_SUITE_P(
    Images, ProgramSuccessTest,
    ::testing::Values(SuccessCase{"empty", {}, "Erase 0-0       "},
                      SuccessCase{"one_sector", Pattern(0, 4096), "Erase 0-0       "},
                      SuccessCase{"highest_byte_at_a_multiple_of_512", Pattern(0, 1025),
                                  "Erase 0-0       "},
                      SuccessCase{"full_64k", Pattern(0, 0x10000), "Erase 0-15      "},
                      // Its second block sums to 130560, far beyond 16 bits.
                      SuccessCase{"block_of_0xff", BlockOfFf(), "Erase 0-0       "}),
    [](const ::testing::TestParamInfo<SuccessCase>& param_info) {
      return std::string(param_info.param.name);
    });

struct FailureCase {
  const char* name;
  std::vector<std::string> sim_flags;
  const char* message;       // "" when the failure is silent
  const char* failed_light;  // caption of the light that turns red, "" for none
  int rejected_block;        // block saved to block.bin, -1 for none
};

// Names the case in test listings.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgramFailureTest : public E2eTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ProgramFailureTest, FailureIsReportedAndTheRunEndsCleanly) {
  const FailureCase& c = GetParam();
  StartSim(c.sim_flags);
  const ByteMap bytes = Pattern(0, 1536);
  const auto result = Program(bytes, {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_EQ(result.err,
            std::string(c.message).empty() ? "" : std::string("Error: ") + c.message + "\n");
  if (std::string(c.failed_light).empty()) {
    EXPECT_EQ(result.out.find("FAILED"), std::string::npos) << result.out;
  } else {
    std::string line = c.failed_light;
    line.resize(16, ' ');
    EXPECT_NE(result.out.find(line + "FAILED\n"), std::string::npos) << result.out;
  }
  if (c.rejected_block < 0) {
    EXPECT_FALSE(FileExists("block.bin"));
  } else {
    const auto image = testing_support::LoadedImage(bytes);
    const auto from = image.begin() + c.rejected_block * 512;
    EXPECT_EQ(FileText("block.bin"), std::string(from, from + 512));
  }
  const std::string log = FileText("commlog.txt");
  EXPECT_TRUE(log.starts_with("Start"));
  EXPECT_TRUE(log.ends_with("End."));
  EXPECT_FALSE(Report().at("firmware_running").get<bool>());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgramFailureTest,
    ::testing::Values(
        FailureCase{"silent_part", {"--silent"}, "Part not responding", "Synchronize", -1},
        FailureCase{"silent_after_sync",
                    {"--silent-after-sync"},
                    "Part not synchronized",
                    "Synchronize",
                    -1},
        FailureCase{
            "frequency_not_acknowledged", {"--fail-freq"}, "Freq not acknowledged", "Unlock", -1},
        FailureCase{"unlock_refused", {"--fail-unlock"}, "Unlock failed", "Unlock", -1},
        FailureCase{
            "wrong_part_id", {"--part-id", "123456789"}, "Invalid part ID", "Erase 0-0", -1},
        FailureCase{"prepare_refused", {"--fail-prepare"}, "Failed prep erase", "Erase 0-0", -1},
        FailureCase{"erase_refused", {"--fail-erase"}, "Failed erase", "Erase 0-0", -1},
        FailureCase{"erase_too_slow", {"--erase-ms", "6000"}, "", "", -1},
        FailureCase{
            "blank_check_failed", {"--fail-blank-check"}, "Failed blank check", "Blank Check", -1},
        FailureCase{"checksum_resend", {"--resend-block", "1"}, "", "", 1},
        FailureCase{"copy_error", {"--copy-error"}, "", "", -1},
        FailureCase{"hang_up", {"--hangup-after", "1"}, "", "", 1}),
    [](const ::testing::TestParamInfo<FailureCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(E2eTest, MissingCopyReplyCountsAsSuccess) {
  // The boot loader's answer to a copy is optional for the host: a run whose
  // copies go unanswered still ends "Complete.".
  StartSim({"--no-copy-reply"});
  const auto result = Program(Pattern(0, 512), {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Complete.\n"));
}

TEST_F(E2eTest, StartIspTakesARunningModuleIntoItsBootLoader) {
  // A module whose firmware runs (valid vector table) gets the start request.
  std::vector<std::uint8_t> old_flash(0x10000, 0xFF);
  const auto old_image = testing_support::LoadedImage(Pattern(0, 256));
  std::copy(old_image.begin(), old_image.begin() + 256, old_flash.begin());
  testing_support::WriteTextFile(dir.File("old.bin"),
                                 std::string(old_flash.begin(), old_flash.end()));
  StartSim({"--flash-in", dir.File("old.bin")});
  const ByteMap bytes = Pattern(0, 700);
  const auto result = Program(bytes, {"--classic"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(Flash() == testing_support::FlashAfterRun(bytes));
  EXPECT_TRUE(FileText("commlog.txt").starts_with("Start!\r!"));
}

TEST_F(E2eTest, CtrlCEndsTheRunBeforeTheNextCommand) {
  StartSim();
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 4096)));
  const std::vector<std::string> args = {"program", "--classic", "--no-start-isp",
                                         "--port",  Port(),      "image.hex"};
  // Half a second in, the dialogue is still synchronising; nothing is erased.
  // Wine takes a while to start a program, so there the interrupt comes once
  // the run shows its first progress (Wine makes SIGINT a console Ctrl-C).
  const auto result = kUnderWine ? CliInterruptedOn(args, "Progress 0%")
                                 : testing_support::RunProcess(
                                       {TARVO_CLI_PATH, "program", "--classic", "--no-start-isp",
                                        "--port", sim->Path(), "image.hex"},
                                       dir.Path().string(), 500);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "Error: interrupted\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  const auto report = Report();
  EXPECT_TRUE(report.at("sectors_erased").empty()) << report.dump();
  EXPECT_EQ(report.at("copies"), 0);
}

TEST_F(E2eTest, PortHeldByAnotherProcessIsReported) {
  if (kUnderWine) {
    GTEST_SKIP() << "Wine lets a second opener have a COM port (share mode 0 is not kept for "
                    "devices), and a Linux holder's lock on the pty does not bind Wine";
  }
  StartSim();
  comm::Comm holder;
  ASSERT_EQ(holder.CommOpen(sim->Path().c_str(), 115200), 1);
  const auto result = Program(Pattern(0, 16), {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.err, "Error: Unable to open Serial Port\n");
  EXPECT_EQ(result.out, "Connect         FAILED\n");
  EXPECT_FALSE(FileExists("commlog.txt"));
}

TEST_F(E2eTest, FileThatCannotBeLoadedIsReported) {
  const auto missing = Cli({"program", "--classic", "--port", "/dev/null", "missing.hex"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.err, "Error: Unable to open file.\n");
  testing_support::WriteTextFile(dir.File("bad.hex"), ":0100000001FF\n");
  const auto bad = Cli({"program", "--classic", "--port", "/dev/null", "bad.hex"});
  EXPECT_EQ(bad.exit_status, 2);
  EXPECT_EQ(bad.err, "Error: Invalid HEX file: line 1: checksum mismatch\n");
  EXPECT_FALSE(FileExists("commlog.txt"));
}

TEST_F(E2eTest, UsageErrorsAreExplained) {
  const auto no_port = Cli({"program", "x.hex"});
  EXPECT_EQ(no_port.exit_status, 64);
  EXPECT_NE(no_port.err.find("--port"), std::string::npos) << no_port.err;
  const auto unknown = Cli({"flash"});
  EXPECT_EQ(unknown.exit_status, 64);
  const auto help = Cli({"program", "--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("--no-start-isp"), std::string::npos);
}

struct ModuleCase {
  const char* command;
  const char* received;  // what the module's firmware records
};

// Names the case in test listings.
void PrintTo(const ModuleCase& c, std::ostream* os) {
  *os << c.command;
}

class ModuleCommandTest : public E2eTest, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(ModuleCommandTest, CommandReachesTheModulesFirmware) {
  std::vector<std::uint8_t> flash(0x10000, 0xFF);
  const auto image = testing_support::LoadedImage(Pattern(0, 64));
  std::copy(image.begin(), image.begin() + 64, flash.begin());
  testing_support::WriteTextFile(dir.File("fw.bin"), std::string(flash.begin(), flash.end()));
  StartSim({"--flash-in", dir.File("fw.bin")});
  const auto result = Cli({GetParam().command, "--port", Port()});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  const auto report = Report();
  EXPECT_EQ(report.at("firmware_commands"), nlohmann::json::array({GetParam().received}))
      << report.dump();
}

INSTANTIATE_TEST_SUITE_P(Commands, ModuleCommandTest,
                         ::testing::Values(ModuleCase{"reset", "*"},
                                           ModuleCase{"erase-all", "EA=1"},
                                           ModuleCase{"config-reset", "CR"}),
                         [](const ::testing::TestParamInfo<ModuleCase>& param_info) {
                           std::string name = param_info.param.command;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace e2e
