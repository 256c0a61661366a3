// tarvo-cli program on its own path, against isp-sim in both echo dialects
// and on parts of each geometry.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "comm/comm.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/pty_peer.h"

namespace e2e {
namespace {

using testing_support::Pattern;

ByteMap Join(ByteMap a, const ByteMap& b) {
  a.insert(b.begin(), b.end());
  return a;
}

void SetWord(ByteMap& bytes, std::uint32_t address, std::uint32_t word) {
  for (std::uint32_t i = 0; i < 4; ++i)
    bytes[address + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

// The part's flash after a run of these bytes: erased but for the image,
// and word 7 of the vector table making words 0 to 7 sum to zero.
std::vector<std::uint8_t> ExpectedFlash(const ByteMap& bytes, std::uint32_t flash_size) {
  std::vector<std::uint8_t> flash(flash_size, 0xFF);
  for (const auto& [address, value] : bytes) flash[address] = value;
  return testing_support::WithChecksumWord(std::move(flash));
}

std::vector<int> Sectors(const nlohmann::json& report) {
  return report.at("sectors_erased").get<std::vector<int>>();
}

std::vector<int> Range(int first, int last) {
  std::vector<int> sectors;
  for (int s = first; s <= last; ++s) sectors.push_back(s);
  return sectors;
}

struct PartCase {
  const char* name;
  std::vector<std::string> sim_flags;
  ByteMap bytes;
  std::uint32_t flash_size;
  const char* identified;  // the identify line
  std::vector<int> erased;
  const char* hidden_read;  // the R of the RAM buffer before the vector chunk's copy
};

void PrintTo(const PartCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgramPartTest : public E2eTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(ProgramPartTest, FlashEqualsTheImageAndThePartStartsIt) {
  const PartCase& c = GetParam();
  StartSim(c.sim_flags);
  const auto result = Program(c.bytes, {"--no-start-isp"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(result.out.starts_with("Synchronise   ok\n" + std::string(c.identified) + "\n"))
      << result.out;
  EXPECT_NE(result.out.find("\nVerify        ok: the flash holds what the part received (M), "),
            std::string::npos)
      << result.out;
  EXPECT_TRUE(result.out.ends_with("Restart       ok\nTraffic log   " + ShownPath("commlog.txt") +
                                   "\nComplete.\n"))
      << result.out;

  const auto flash = WholeFlash();
  ASSERT_EQ(flash.size(), c.flash_size);
  EXPECT_TRUE(flash == ExpectedFlash(c.bytes, c.flash_size));
  const auto report = Report();
  EXPECT_TRUE(report.at("user_code_valid").get<bool>()) << report.dump();
  EXPECT_TRUE(report.at("firmware_running").get<bool>()) << report.dump();
  EXPECT_EQ(report.at("flash_lines_programmed_twice"), 0) << report.dump();
  EXPECT_TRUE(report.at("refused_commands").empty()) << report.dump();
  EXPECT_EQ(Sectors(report), c.erased);
  // The vector table's chunk goes last.
  EXPECT_EQ(report.at("copied_blocks").back().at("flash"), 0) << report.dump();

  const std::string log = FileText("commlog.txt");
  EXPECT_TRUE(log.starts_with("Start?")) << log.substr(0, 40);
  EXPECT_NE(log.find("Synchronized\r\n"), std::string::npos);
  EXPECT_NE(log.find(c.hidden_read), std::string::npos);
  EXPECT_TRUE(log.ends_with("End."));
}

const ByteMap kBeyond64K = Join(Pattern(0, 0x1800), Pattern(0x10000, 0x1A000));

INSTANTIATE_TEST_SUITE_P(
    Parts, ProgramPartTest,
    ::testing::Values(PartCase{"lpc1227_crlf",
                               {},
                               Join(Pattern(0, 0x2100), Pattern(0x14000, 0x14100)),
                               128 * 1024,
                               "Identify      LPC1227, 128 KiB flash",
                               {0, 1, 2, 20},
                               "R 268436224 512\r\n"},
                      PartCase{"lpc1227_exact",
                               {"--echo", "exact"},
                               Join(Pattern(0, 0x2100), Pattern(0x14000, 0x14100)),
                               128 * 1024,
                               "Identify      LPC1227, 128 KiB flash",
                               {0, 1, 2, 20},
                               "R 268436224 512\r\n"},
                      PartCase{"lpc1115_crlf",
                               {"--part", "LPC1115/303"},
                               Pattern(0, 0x10000),
                               64 * 1024,
                               "Identify      LPC1115/303, 64 KiB flash",
                               Range(0, 15),
                               "R 268436224 512\r\n"},
                      PartCase{"lpc1347_exact",
                               {"--part", "LPC1347", "--echo", "exact"},
                               Pattern(0, 0x10000),
                               64 * 1024,
                               "Identify      LPC1347, 64 KiB flash",
                               Range(0, 15),
                               "R 268436224 512\r\n"},
                      PartCase{"lpc1768_crlf",
                               {"--part", "LPC1768"},
                               kBeyond64K,
                               512 * 1024,
                               "Identify      LPC1768, 512 KiB flash",
                               {0, 1, 16, 17},
                               "R 268435968 64\r\n"},
                      PartCase{"lpc1768_exact_with_noise_and_flow_control",
                               {"--part", "LPC1768", "--echo", "exact", "--noise", "3",
                                "--xon-xoff", "50"},
                               kBeyond64K,
                               512 * 1024,
                               "Identify      LPC1768, 512 KiB flash",
                               {0, 1, 16, 17},
                               "R 268435968 64\r\n"}),
    [](const ::testing::TestParamInfo<PartCase>& param_info) {
      return std::string(param_info.param.name);
    });

struct FaultCase {
  const char* name;
  std::vector<std::string> sim_flags;
  const char* error;  // the error line's text, with PORT for the port
  bool erased;        // whether the run got to erasing
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgramFaultTest : public E2eTest, public ::testing::WithParamInterface<FaultCase> {};

// Chunks at 0x1000 and 0x2000 are written first, the vector table last.
TEST_P(ProgramFaultTest, FailureIsNamedAndTheVectorTableIsNeverWritten) {
  const FaultCase& c = GetParam();
  StartSim(c.sim_flags);
  const auto result = Program(Pattern(0, 0x3000), {"--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  std::string error = c.error;
  if (const auto at = error.find("PORT"); at != std::string::npos) error.replace(at, 4, Port());
  // Under Wine the user's part file is in the Wine prefix.
  if (const auto at = error.find("PARTFILE"); at != std::string::npos && kUnderWine) {
    EXPECT_TRUE(result.err.starts_with("Error: " + error.substr(0, at))) << result.err;
  } else {
    if (at != std::string::npos) error.replace(at, 8, UserPartFile());
    EXPECT_EQ(result.err, "Error: " + error + "\n");
  }
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  const auto report = Report();
  EXPECT_FALSE(report.at("firmware_running").get<bool>()) << report.dump();
  EXPECT_EQ(Sectors(report).empty(), !c.erased) << report.dump();
  for (const auto& block : report.at("copied_blocks")) EXPECT_NE(block.at("flash"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgramFaultTest,
    ::testing::Values(
        FaultCase{"silent_part",
                  {"--silent"},
                  "Part not responding on PORT at 115200 baud: is the ISP pin held low at reset?",
                  false},
        FaultCase{"unlock_refused",
                  {"--fail-unlock"},
                  "The part answered INVALID_CODE (16) to \"U 23130\" while identifying the part: "
                  "the part refused the unlock code",
                  false},
        FaultCase{"unknown_part",
                  {"--part-id", "123456"},
                  "Unknown part id 0x0001E240 (123456): add a row for it to the part file "
                  "PARTFILE (or give one with --parts), with the rest from the part's user "
                  "manual: {\"id\": \"0x0001E240\", \"name\": \"...\", \"sectors\": "
                  "[{\"size\": 4096, \"count\": ...}], \"ram_size\": ..., "
                  "\"ram_buffer_start\": ..., \"ram_buffer_end\": ...}",
                  false},
        FaultCase{"blank_check_failed",
                  {"--fail-blank-check"},
                  "The flash is not blank after the erase at 0x00000000 (answer to \"I 0 2\"): "
                  "the part may be protected or its flash worn",
                  true},
        FaultCase{"resend_storm",
                  {"--resend-block", "1"},
                  "The data checksum \"114566\" failed on every try while writing at 0x00002000: "
                  "the line is noisy; try a lower --baud",
                  true},
        FaultCase{"copy_refused",
                  {"--copy-error"},
                  "The part answered BUSY (11) to \"C 4096 268436224 4096\" while writing at "
                  "0x00001000: the flash was busy; try again",
                  true},
        FaultCase{"copy_never_acknowledged",
                  {"--no-copy-reply"},
                  "No answer to \"C 4096 268436224 4096\" while writing at 0x00001000 (received "
                  "nothing): is the part still powered and the line sound? A lower --baud may help",
                  true}),
    [](const ::testing::TestParamInfo<FaultCase>& param_info) {
      return std::string(param_info.param.name);
    });

// A part whose copies answer CMD_SUCCESS and write nothing: played by the
// test, since the simulator's copies either work or say they failed.
class SilentlyFailingCopies {
 public:
  std::string operator()(const std::string& token) {
    if (token == "?") return "Synchronized\r\n";
    if (token.empty()) return "";
    const std::string echo = echo_ ? token + "\r\n" : "";
    if (checksum_due_) {  // after every 20 data lines and after the last
      checksum_due_ = false;
      return echo + "OK\r\n";
    }
    if (data_lines_ > 0) {  // W data lines are only echoed
      --data_lines_;
      checksum_due_ = ++lines_in_block_ == 20 || data_lines_ == 0;
      if (checksum_due_) lines_in_block_ = 0;
      return echo;
    }
    if (token == "Synchronized" || token == "12000") return echo + "OK\r\n";
    if (token == "A 0") {
      echo_ = false;
      return echo + "0\r\n";
    }
    if (token == "J") return echo + "0\r\n913309739\r\n";
    if (token[0] == 'W') data_lines_ = (std::atoi(token.c_str() + token.rfind(' ') + 1) + 44) / 45;
    if (token[0] == 'M') return echo + "10\r\n8\r\n";  // the flash still reads erased
    return echo + "0\r\n";
  }

 private:
  bool echo_ = true;
  int data_lines_ = 0;
  int lines_in_block_ = 0;
  bool checksum_due_ = false;
};

TEST_F(E2eTest, CopyThatSilentlyWritesNothingFailsTheVerify) {
  testing_support::PtyPeer peer;
  peer.SetResponder(SilentlyFailingCopies());
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0x1000, 0x2000)));
  const auto result =
      Cli({"program", "--no-start-isp", "--port", PortTo(peer.Path()), "image.hex"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Warning: the image holds no vector table at address 0: sector 0 is left as it is\n"
            "Error: Verify failed at 0x00001008: the flash does not hold what was written (\"M "
            "4096 268436224 4096\"); try again, perhaps with --erase-all\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n"));
  EXPECT_EQ(peer.Received().find("G "), std::string::npos);
}

TEST_F(E2eTest, HangUpEndsTheRunNamingTheLostLine) {
  // The simulator hangs up once its answer to the first copy has been read
  // and the line has gone quiet, or 2 s after it: at the line rate this
  // run is still writing then.
  StartSim({"--hangup-after", "1", "--baud-rate", "115200"});
  const auto result = Program(Pattern(0, 0x8000), {"--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(
      result.err.starts_with("Error: The line to " + Port() + " was lost while writing at 0x"))
      << result.err;
  EXPECT_TRUE(result.err.ends_with("is the cable still plugged in?\n")) << result.err;
  EXPECT_TRUE(result.out.ends_with("Failed!\n"));
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  const auto report = Report();
  EXPECT_FALSE(report.at("firmware_running").get<bool>());
  for (const auto& block : report.at("copied_blocks")) EXPECT_NE(block.at("flash"), 0);
}

TEST_F(E2eTest, PartLeftSynchronisedIsTakenOnFromCommandMode) {
  // A first run that leaves the part in its boot loader, synchronised with
  // echo off, as a run cut short does.
  StartSim({"--echo", "exact"}, false);
  const ByteMap bytes = Pattern(0, 0x1200);
  const auto first = Program(bytes, {"--no-start-isp", "--no-run"});
  ASSERT_EQ(first.exit_status, 0) << first.out << first.err;
  EXPECT_EQ(first.out.find("Restart"), std::string::npos) << first.out;
  const auto second = Program(bytes, {"--no-start-isp"});
  EXPECT_EQ(second.exit_status, 0) << second.out << second.err;
  EXPECT_TRUE(second.out.starts_with("Synchronise   ok (the part was already synchronised)\n"))
      << second.out;
  EXPECT_TRUE(second.out.ends_with("Complete.\n"));
  sim->Stop();
  const auto flash = WholeFlash();
  EXPECT_TRUE(flash == ExpectedFlash(bytes, 128 * 1024));
  const auto report = Report();
  EXPECT_TRUE(report.at("firmware_running").get<bool>()) << report.dump();
  EXPECT_EQ(report.at("resets"), 1) << report.dump();
}

TEST_F(E2eTest, FileRefusedBeforeThePortIsOpened) {
  StartSim();
  struct Case {
    std::string hex;
    std::vector<std::string> extra;
    std::string error;
  };
  ByteMap locked = Pattern(0, 0x400);
  SetWord(locked, 0x2FC, 0x43218765);
  ByteMap no_isp = Pattern(0, 0x400);
  SetWord(no_isp, 0x2FC, 0x4E697370);
  const Case cases[] = {
      {":00000001FF\n", {}, "image.hex: Invalid HEX file: no data records"},
      {testing_support::HexRecord(0, 0, {1, 2, 3, 4}) + "\n",
       {},
       "image.hex: Invalid HEX file: line 2: no end-of-file record (is the file truncated?)"},
      {testing_support::HexFromBytes(locked),
       {},
       "image.hex sets CRP3 (word 0x43218765 at 0x2FC), which locks the part out of its boot "
       "loader for good: give --allow-lock if that is meant"},
      {testing_support::HexFromBytes(no_isp),
       {"--erase-all"},
       "image.hex sets NO_ISP (word 0x4E697370 at 0x2FC), which locks the part out of its boot "
       "loader for good: give --allow-lock if that is meant"},
      {testing_support::HexFromBytes(Pattern(0x7FFF0, 0x80010)),
       {},
       "image.hex: Invalid HEX file: line 4: data beyond the flash of every known part (512 KiB)"},
  };
  for (const Case& c : cases) {
    testing_support::WriteTextFile(dir.File("image.hex"), c.hex);
    std::vector<std::string> args = {"program", "--port", Port()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    args.push_back("image.hex");
    const auto result = Cli(args);
    EXPECT_EQ(result.exit_status, 2) << c.error;
    EXPECT_EQ(result.err, "Error: " + c.error + "\n");
    EXPECT_EQ(result.out, "");
  }
  EXPECT_FALSE(FileExists("commlog.txt"));
  sim->Stop();
  const auto report = Report();
  EXPECT_EQ(report.at("hang_ups"), 0) << report.dump();
  EXPECT_EQ(report.at("bytes_received"), 0) << report.dump();
}

TEST_F(E2eTest, LockWordIsWrittenWhenAllowed) {
  StartSim();
  ByteMap locked = Pattern(0, 0x400);
  SetWord(locked, 0x2FC, 0x43218765);
  const auto result = Program(locked, {"--no-start-isp", "--allow-lock"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Warning: the image sets code read protection CRP3 (word at 0x2FC): after the "
            "restart the part no longer enters its boot loader from the ISP pin\n");
  const auto report = Report();
  EXPECT_EQ(report.at("code_read_protection"), "CRP3") << report.dump();
  EXPECT_TRUE(report.at("firmware_running").get<bool>()) << report.dump();
}

TEST_F(E2eTest, ReadProtectionThatLeavesIspIsWrittenWithAWarning) {
  StartSim();
  ByteMap crp1 = Pattern(0, 0x400);
  SetWord(crp1, 0x2FC, 0x12345678);
  const auto result = Program(crp1, {"--no-start-isp"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Warning: the image sets code read protection CRP1 (word at 0x2FC): after the "
            "restart the part refuses reading its flash\n");
  EXPECT_EQ(Report().at("code_read_protection"), "CRP1");
}

TEST_F(E2eTest, DataBeyondThePartsFlashIsRefusedBeforeAnythingIsErased) {
  StartSim({"--part", "LPC1114/301"});
  const auto result = Program(Join(Pattern(0, 0x100), Pattern(0x9000, 0x9010)), {"--no-start-isp"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: image.hex: line 17: data lies beyond the 32 KiB flash of the LPC1114/301; "
            "nothing was erased: is the file built for this part?\n");
  const auto report = Report();
  EXPECT_TRUE(report.at("sectors_erased").empty()) << report.dump();
  EXPECT_EQ(report.at("copies"), 0);
}

TEST_F(E2eTest, EraseAllAndNoVerify) {
  StartSim({"--part", "LPC1764"});
  const ByteMap bytes = Pattern(0, 0x300);
  const auto result = Program(bytes, {"--no-start-isp", "--erase-all", "--no-verify"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Erase         sectors 0-17 ok\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("Verify"), std::string::npos) << result.out;
  const std::string log = FileText("commlog.txt");
  EXPECT_EQ(log.find("\nM "), std::string::npos);
  // The only read (sent, and echoed) is of the protection word, before the
  // erase: a protected part would take the erase but no new code.
  std::size_t reads = 0;
  for (std::size_t at = log.find("\nR "); at != std::string::npos; at = log.find("\nR ", at + 1)) {
    EXPECT_EQ(log.substr(at, 8), "\nR 764 4") << log;
    ++reads;
  }
  EXPECT_GE(reads, 1u);
  EXPECT_TRUE(WholeFlash() == ExpectedFlash(bytes, 128 * 1024));
  EXPECT_EQ(Sectors(Report()), Range(0, 17));
}

TEST_F(E2eTest, StartIspTakesARunningModuleIntoItsBootLoader) {
  std::vector<std::uint8_t> old_flash = ExpectedFlash(Pattern(0, 256), 128 * 1024);
  testing_support::WriteTextFile(dir.File("old.bin"),
                                 std::string(old_flash.begin(), old_flash.end()));
  StartSim({"--flash-in", dir.File("old.bin")});
  const ByteMap bytes = Pattern(0, 0x900);
  const auto result = Program(bytes);
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(WholeFlash() == ExpectedFlash(bytes, 128 * 1024));
  EXPECT_TRUE(FileText("commlog.txt").starts_with("Start!\r!?Synchronized"));
  EXPECT_EQ(Report().at("firmware_commands"), nlohmann::json::array({"!"}));
}

TEST_F(E2eTest, CtrlCEndsTheRunBetweenTwoCommands) {
  // At the real line rate the write takes several seconds.
  StartSim({"--baud-rate", "115200"});
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x8000)));
  const std::vector<std::string> args = {"program", "--no-start-isp", "--port", Port(),
                                         "image.hex"};
  // Under Wine, whose start takes a while, the interrupt comes once the
  // erase has ended and the write begins.
  const auto result =
      kUnderWine ? CliInterruptedOn(args, "Erase ") : CliInterruptedAfter(args, 1500);
  EXPECT_EQ(result.exit_status, 130);
  EXPECT_EQ(result.err, "Error: interrupted\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  const auto report = Report();
  EXPECT_FALSE(report.at("firmware_running").get<bool>());
  EXPECT_LT(report.at("copies").get<int>(), 8) << report.dump();
  for (const auto& block : report.at("copied_blocks")) EXPECT_NE(block.at("flash"), 0);
}

TEST_F(E2eTest, CtrlCDuringAWriteLeavesThePartReadyForTheNextCommand) {
  // At 19200 baud a 4 KiB block's data lines take about 3 s, so the signal
  // comes while they go out; the part lives on across the two runs.
  StartSim({"--baud-rate", "19200"}, /*once=*/false);
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x2000)));
  // Interrupted once the first group of data lines is in: the next groups
  // of that block are still to go.
  // The whole run at 19200 (--fast-baud off): this is about the stop; the
  // test below stops a run at a faster rate.
  const auto stopped = CliInterruptedOn({"program", "--no-start-isp", "--baud", "19200",
                                         "--fast-baud", "off", "--port", Port(), "image.hex"},
                                        "10% (");
  EXPECT_EQ(stopped.exit_status, 130) << stopped.out << stopped.err;
  EXPECT_EQ(stopped.err, "Error: interrupted\n");
  // No reset in between: the part answers at once.
  const auto info = Cli({"info", "--no-start-isp", "--baud", "19200", "--port", Port()});
  EXPECT_EQ(info.exit_status, 0) << info.out << info.err;
  EXPECT_NE(info.out.find("LPC1227"), std::string::npos) << info.out;
}

// Stopped while writing at the faster rate: the part is put back at the
// rate the run synchronised at, so that the next run at that rate reaches it
// without a reset.
TEST_F(E2eTest, CtrlCAtTheFasterRateLeavesThePartAtTheRateItWasSynchronisedAt) {
  StartSim({"--baud-rate", "115200"}, /*once=*/false);
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x8000)));
  const auto stopped = CliInterruptedOn(
      {"program", "--no-start-isp", "--fast-baud", "230400", "--port", Port(), "image.hex"},
      "10% (");
  EXPECT_EQ(stopped.exit_status, 130) << stopped.out << stopped.err;
  EXPECT_EQ(stopped.err, "Error: interrupted\n");
  EXPECT_NE(stopped.out.find("Line rate     230400 baud"), std::string::npos) << stopped.out;
  const auto info = Cli({"info", "--no-start-isp", "--port", Port()});
  EXPECT_EQ(info.exit_status, 0) << info.out << info.err;
  EXPECT_NE(info.out.find("LPC1227"), std::string::npos) << info.out;
}

TEST_F(E2eTest, SigtermEndsTheRunWithThePortAndLogClosed) {
  StartSim({"--baud-rate", "115200"});
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 0x4000)));
  const auto result = testing_support::RunProcessSignalledWhen(
      {TARVO_CLI_PATH, "program", "--no-start-isp", "--port", sim->Path(), "image.hex"},
      dir.Path().string(), SIGTERM, [this] { return FileExists("commlog.txt"); });
  EXPECT_EQ(result.exit_status, 128 + SIGTERM) << result.out << result.err;
  EXPECT_EQ(result.err, "Error: terminated\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  // Closed, not dropped: the simulator saw the hang-up and ended by itself.
  ASSERT_TRUE(sim->WaitExit(std::chrono::seconds(5)).has_value());
  EXPECT_FALSE(Report().at("firmware_running").get<bool>());
}

TEST_F(E2eTest, OtherUsersOfThePortAndAnUnwritableLogAreWarnedOf) {
  if (kUnderWine) {
    GTEST_SKIP() << "Windows names no other holder of a COM port, and Wine shows a Unix "
                    "symbolic link as the file it points at";
  }
  StartSim();
  testing_support::WriteTextFile(dir.File("victim"), "keep me");
  ASSERT_EQ(symlink("victim", dir.File("commlog.txt").c_str()), 0);
  const int held = ::open(sim->Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(held, 0);
  std::string command = testing_support::ReadFile("/proc/self/comm");
  if (command.ends_with('\n')) command.pop_back();
  const auto result = Program(Pattern(0, 0x400), {"--no-start-isp"});
  ::close(held);
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "Warning: " + sim->Path() + " is also open in process " +
                            std::to_string(getpid()) + " (" + command +
                            "); replies from the module may go missing\n"
                            "Warning: \"commlog.txt\" not written: it is a symbolic link\n");
  EXPECT_EQ(FileText("victim"), "keep me");
  EXPECT_TRUE(result.out.ends_with("Complete.\n"));
}

TEST_F(E2eTest, PortThatDoesNotOpenIsNamedWithTheReason) {
  if (kUnderWine) {
    GTEST_SKIP() << "Wine lets a second opener have a COM port (share mode 0 is not kept for "
                    "devices), and a Linux holder's lock on the pty does not bind Wine";
  }
  StartSim();
  comm::Comm holder;
  ASSERT_EQ(holder.CommOpen(sim->Path().c_str(), 115200), 1);
  const auto result = Program(Pattern(0, 16), {"--no-start-isp"});
  EXPECT_EQ(result.exit_status, 2);
  // The holder (this test) is named before the open is tried.
  EXPECT_TRUE(result.err.starts_with("Warning: " + sim->Path() + " is also open in process " +
                                     std::to_string(getpid())))
      << result.err;
  EXPECT_TRUE(result.err.ends_with("\nError: Unable to open serial port " + sim->Path() +
                                   ": Device or resource busy (another program holds it: close "
                                   "it and try again)\n"))
      << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(FileExists("commlog.txt"));
  const auto missing = Cli({"program", "--port", "/dev/no-such-port", "image.hex"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.err,
            "Error: Unable to open serial port /dev/no-such-port: No such file or directory (no "
            "such port: is the adapter plugged in? \"tarvo-cli ports\" lists them)\n");
}

TEST_F(E2eTest, ClassicTakesNoOptionOfTheOwnPath) {
  const auto result =
      Cli({"program", "--classic", "--baud", "9600", "--port", "/dev/null", "x.hex"});
  EXPECT_EQ(result.exit_status, 64);
  EXPECT_NE(result.err.find("--baud"), std::string::npos) << result.err;
  const auto odd_rate = Cli({"program", "--baud", "250000", "--port", "/dev/null", "x.hex"});
  EXPECT_EQ(odd_rate.exit_status, 64);
  const auto help = Cli({"program", "--help"});
  for (const char* option : {"--classic", "--baud", "--crystal-khz", "--erase-all", "--no-verify",
                             "--no-run", "--allow-lock", "--no-start-isp"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace e2e
