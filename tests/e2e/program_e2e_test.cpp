#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "comm/comm.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/fake_boot_loader.h"
#include "tests/support/pty_peer.h"

namespace e2e {
namespace {

using testing_support::Pattern;

// The command name of this test program, as other processes see it.
std::string OwnCommandName() {
  std::string name = testing_support::ReadFile("/proc/self/comm");
  if (name.ends_with('\n')) name.pop_back();
  return name;
}

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
  // Where the traffic log went, and last the result.
  EXPECT_TRUE(result.out.ends_with("Progress 100%\nTraffic log     " + ShownPath("commlog.txt") +
                                   "\nComplete.\n"))
      << result.out;

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
    ::testing::Values(SuccessCase{"one_byte", Pattern(0, 1), "Erase 0-0       "},
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
  // The error: the window's message, and the step that failed with what the
  // part answered (a failure without a message says only that).
  const char* message;
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
  EXPECT_EQ(result.err, std::string("Error: ") + c.message + "\n");
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
        FailureCase{"silent_part",
                    {"--silent"},
                    "Part not responding (while synchronising: \"?\" got no answer)",
                    "Synchronize",
                    -1},
        FailureCase{"silent_after_sync",
                    {"--silent-after-sync"},
                    "Part not synchronized (while confirming the synchronisation: "
                    "\"Synchronized\" got no answer)",
                    "Synchronize",
                    -1},
        FailureCase{"frequency_not_acknowledged",
                    {"--fail-freq"},
                    "Freq not acknowledged (while setting the crystal frequency: \"12000\" got "
                    "no answer)",
                    "Unlock",
                    -1},
        FailureCase{"unlock_refused",
                    {"--fail-unlock"},
                    "Unlock failed (while unlocking: \"U 23130\" was answered \"16\" "
                    "(INVALID_CODE))",
                    "Unlock",
                    -1},
        FailureCase{"wrong_part_id",
                    {"--part-id", "123456789"},
                    "Invalid part ID (while reading the part id: \"J\" was answered "
                    "\"123456789\")",
                    "Erase 0-0",
                    -1},
        FailureCase{"prepare_refused",
                    {"--fail-prepare"},
                    "Failed prep erase (while preparing the sectors for the erase: \"P 0 0\" "
                    "was answered \"11\" (BUSY))",
                    "Erase 0-0",
                    -1},
        FailureCase{"erase_refused",
                    {"--fail-erase"},
                    "Failed erase (while erasing: \"E 0 0\" was answered \"11\" (BUSY))",
                    "Erase 0-0",
                    -1},
        FailureCase{"erase_too_slow",
                    {"--erase-ms", "6000"},
                    "The run failed while erasing: \"E 0 0\" got no answer",
                    "",
                    -1},
        FailureCase{"blank_check_failed",
                    {"--fail-blank-check"},
                    "Failed blank check (while checking the sectors are blank: \"I 0 0\" was "
                    "answered \"8\" (SECTOR_NOT_BLANK))",
                    "Blank Check",
                    -1},
        FailureCase{"checksum_resend",
                    {"--resend-block", "1"},
                    "The run failed while writing the block to RAM (its checksum): \"65280\" "
                    "was answered \"RESEND\"",
                    "",
                    1},
        FailureCase{"copy_error",
                    {"--copy-error"},
                    "The run failed while copying the block to flash: \"C 0 268436224 512\" "
                    "was answered \"11\" (BUSY)",
                    "",
                    -1},
        FailureCase{"hang_up",
                    {"--hangup-after", "1"},
                    "The run failed while writing the block to RAM (its checksum): \"65280\" "
                    "got no answer",
                    "",
                    1}),
    [](const ::testing::TestParamInfo<FailureCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(E2eTest, CopyThatIsNeverAnsweredFailsTheRun) {
  // Only a copy answered '0' has reached flash.
  StartSim({"--no-copy-reply"});
  const auto result = Program(Pattern(0, 512), {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_EQ(result.err,
            "Error: The run failed while copying the block to flash: \"C 0 268436224 512\" got "
            "no answer\n");
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  const auto report = Report();
  EXPECT_EQ(report.at("copies"), 0) << report.dump();
  EXPECT_FALSE(report.at("firmware_running").get<bool>());
}

TEST_F(E2eTest, HangUpDuringTheLastCopyFailsTheRun) {
  // The line goes (a cable pulled, the part reset) after the last block's
  // copy command has gone out and before its answer.
  testing_support::PtyPeer peer;
  testing_support::FakeBootLoader boot_loader;
  peer.SetResponder([&](const std::string& token) {
    if (token.starts_with("C 512 ")) {
      peer.HangUp();
      return std::string();
    }
    return boot_loader(token);
  });
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 1024)));
  const auto result =
      Cli({"program", "--classic", "--no-start-isp", "--port", PortTo(peer.Path()), "image.hex"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_EQ(result.out.find("Program         ok"), std::string::npos) << result.out;
  const std::string log = FileText("commlog.txt");
  EXPECT_NE(log.find("C 512 268436224 512\r"), std::string::npos);
  EXPECT_EQ(log.find("G 268436224 T"), std::string::npos);  // no restart after it
  EXPECT_TRUE(log.ends_with("End."));
}

TEST_F(E2eTest, SimulatorCutAtTheLastCopyFailsTheRun) {
  // The same against the simulated part: the third and last copy is echoed,
  // then the line is cut before its answer.
  StartSim({"--hangup-at-copy", "3"});
  const ByteMap bytes = Pattern(0, 1536);
  const auto result = Program(bytes, {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_EQ(result.out.find("Program         ok"), std::string::npos) << result.out;
  EXPECT_FALSE(FileExists("block.bin"));
  const auto flash = Flash();
  const auto image = testing_support::LoadedImage(bytes);
  EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + 1024, image.begin()));
  EXPECT_TRUE(std::all_of(flash.begin() + 1024, flash.begin() + 1536,
                          [](std::uint8_t byte) { return byte == 0xFF; }));
  EXPECT_EQ(Report().at("copies"), 2);
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
  EXPECT_EQ(result.exit_status, 130);
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
  // The holder (this test) is named before the open is tried.
  EXPECT_EQ(result.err, "Warning: " + sim->Path() + " is also open in process " +
                            std::to_string(getpid()) + " (" + OwnCommandName() +
                            "); replies from the module may go missing\n"
                            "Error: Unable to open serial port " +
                            sim->Path() +
                            ": Device or resource busy (another program holds it: close it and "
                            "try again)\n");
  EXPECT_EQ(result.out, "Connect         FAILED\n");
  EXPECT_FALSE(FileExists("commlog.txt"));
}

TEST_F(E2eTest, FileThatCannotBeLoadedIsReported) {
  const auto missing = Cli({"program", "--classic", "--port", "/dev/null", "missing.hex"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_EQ(missing.err, "Error: Unable to open file missing.hex: no such file\n");
  testing_support::WriteTextFile(dir.File("bad.hex"), ":0100000001FF\n");
  const auto bad = Cli({"program", "--classic", "--port", "/dev/null", "bad.hex"});
  EXPECT_EQ(bad.exit_status, 2);
  EXPECT_EQ(bad.err, "Error: bad.hex: Invalid HEX file: line 1: checksum mismatch\n");
  EXPECT_FALSE(FileExists("commlog.txt"));
}

struct RefusedFile {
  const char* name;
  std::string text;  // what the file holds; a FIFO when empty and fifo is set
  bool fifo;
  const char* message;
};

// Names the case in test listings.
void PrintTo(const RefusedFile& c, std::ostream* os) {
  *os << c.name;
}

class RefusedFileTest : public E2eTest, public ::testing::WithParamInterface<RefusedFile> {};

TEST_P(RefusedFileTest, FileIsRefusedBeforeThePortIsTouched) {
  const RefusedFile& c = GetParam();
  if (c.fifo) {
    ASSERT_EQ(mkfifo(dir.File("image.hex").c_str(), 0600), 0);
  } else {
    testing_support::WriteTextFile(dir.File("image.hex"), c.text);
  }
  StartSim();
  const auto result =
      Cli({"program", "--classic", "--no-start-isp", "--port", sim->Path(), "image.hex"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  // Windows has no FIFOs: Wine shows the host's FIFO to a Windows program as
  // a file that is not there.
  const std::string message =
      kUnderWine && c.fifo ? "Unable to open file image.hex: no such file" : c.message;
  EXPECT_EQ(result.err, "Error: " + message + "\n");
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(FileExists("commlog.txt"));
  sim->Stop();  // it writes its report at the end of the session
  const auto report = nlohmann::json::parse(FileText("report.json"));
  EXPECT_EQ(report.at("bytes_received"), 0) << report.dump();
  EXPECT_EQ(report.at("hang_ups"), 0) << report.dump();
}

const std::string kOneRecord = testing_support::HexRecord(0, 0, {0x00, 0x20, 0x00, 0x10}) + "\n";
const std::string kEndRecord = ":00000001FF\n";
// The start of an ARM executable, a file often picked by mistake.
constexpr char kElfStart[] =
    "\x7F"
    "ELF\x01\x01\x01\0\0\0\n\x02\x00\x28\x00";

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFileTest,
    ::testing::Values(
        RefusedFile{"empty", "", false, "image.hex: Invalid HEX file: no data records"},
        RefusedFile{"binary", std::string(kElfStart, sizeof kElfStart - 1), false,
                    "image.hex: Invalid HEX file: no data records"},
        RefusedFile{"text", "Firmware 2.1 release notes\n- faster start\n", false,
                    "image.hex: Invalid HEX file: no data records"},
        RefusedFile{"byte_order_mark_only", "\xEF\xBB\xBF\n", false,
                    "image.hex: Invalid HEX file: no data records"},
        RefusedFile{
            "truncated", kOneRecord + kOneRecord, false,
            "image.hex: Invalid HEX file: line 3: no end-of-file record (is the file truncated?)"},
        RefusedFile{
            "data_after_the_end", kOneRecord + kEndRecord + kOneRecord, false,
            "image.hex: Invalid HEX file: line 3: data record after the end-of-file record"},
        RefusedFile{"type_06",
                    kOneRecord + testing_support::HexRecord(6, 0, {}) + "\n" + kEndRecord, false,
                    "image.hex: Invalid HEX file: line 2: unknown record type 06"},
        RefusedFile{"fifo", "", true, "Unable to open file image.hex: it is no regular file"}),
    [](const ::testing::TestParamInfo<RefusedFile>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(E2eTest, ByteOrderMarkBeforeTheFirstRecordIsSkipped) {
  // The first record holds the stack pointer and the reset vector.
  const ByteMap bytes = Pattern(0, 600);
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 "\xEF\xBB\xBF" + testing_support::HexFromBytes(bytes));
  StartSim();
  const auto result =
      Cli({"program", "--classic", "--no-start-isp", "--port", Port(), "image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(Flash() == testing_support::FlashAfterRun(bytes));
  EXPECT_TRUE(Report().at("firmware_running").get<bool>());
}

TEST_F(E2eTest, SymbolicLinksInPlaceOfTheOutputFilesAreLeftAlone) {
  if (kUnderWine) {
    GTEST_SKIP() << "Wine shows a Unix symbolic link as the file it points at, never as a "
                    "Windows link";
  }
  // A shared folder where someone points the names at a file of theirs.
  testing_support::WriteTextFile(dir.File("victim"), "keep me");
  ASSERT_EQ(symlink("victim", dir.File("commlog.txt").c_str()), 0);
  ASSERT_EQ(symlink("victim", dir.File("block.bin").c_str()), 0);
  StartSim({"--resend-block", "1"});
  const auto result = Program(Pattern(0, 1536), {"--classic", "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_EQ(result.err,
            "Warning: \"commlog.txt\" not written: it is a symbolic link\n"
            "Warning: \"block.bin\" not written: it is a symbolic link\n"
            "Error: The run failed while writing the block to RAM (its checksum): \"65280\" was "
            "answered \"RESEND\"\n");
  EXPECT_EQ(FileText("victim"), "keep me");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("commlog.txt")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("block.bin")));
}

struct StopCase {
  const char* name;
  int signal_number;
  const char* message;
};

// Names the case in test listings.
void PrintTo(const StopCase& c, std::ostream* os) {
  *os << c.name;
}

class StopSignalTest : public E2eTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopSignalTest, SignalEndsTheRunWithTheLogClosed) {
  const StopCase& c = GetParam();
  StartSim();
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 4096)));
  // Once the log exists, the port is open and the run under way.
  const auto result = testing_support::RunProcessSignalledWhen(
      {TARVO_CLI_PATH, "program", "--classic", "--no-start-isp", "--port", sim->Path(),
       "image.hex"},
      dir.Path().string(), c.signal_number, [this] { return FileExists("commlog.txt"); });
  EXPECT_EQ(result.exit_status, 128 + c.signal_number) << result.out << result.err;
  EXPECT_EQ(result.err, std::string("Error: ") + c.message + "\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  const std::string log = FileText("commlog.txt");
  EXPECT_TRUE(log.starts_with("Start")) << log;
  EXPECT_TRUE(log.ends_with("End.")) << log;
  // The port was closed, not dropped by a dying process: the simulator saw
  // the hang-up and ended its session by itself.
  ASSERT_TRUE(sim->WaitExit(std::chrono::seconds(5)).has_value());
  EXPECT_EQ(Report().at("copies"), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest,
                         ::testing::Values(StopCase{"sigterm", SIGTERM, "terminated"},
                                           StopCase{"sighup", SIGHUP, "hung up"}),
                         [](const ::testing::TestParamInfo<StopCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST_F(E2eTest, PortOpenInAnotherProcessIsNamedButTheRunGoesOn) {
  if (kUnderWine) {
    GTEST_SKIP() << "Windows names no other holder of a COM port; Wine cannot show one";
  }
  // A terminal program that holds the line without any lock; the simulator,
  // which keeps a descriptor of its own on it, is the line's far end.
  StartSim();
  const int held = ::open(sim->Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(held, 0);
  const std::string command = OwnCommandName();
  const auto result = Program(Pattern(0, 16), {"--classic", "--no-start-isp"});
  ::close(held);
  EXPECT_EQ(result.err, "Warning: " + sim->Path() + " is also open in process " +
                            std::to_string(getpid()) + " (" + command +
                            "); replies from the module may go missing\n");
  EXPECT_EQ(result.exit_status, 0) << result.out;
  EXPECT_TRUE(result.out.ends_with("Complete.\n")) << result.out;
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
  const char* name;
  std::vector<std::string> command;  // under "module"
  const char* received;              // what the module's firmware records
};

// Names the case in test listings.
void PrintTo(const ModuleCase& c, std::ostream* os) {
  *os << c.name;
}

class ModuleCommandTest : public E2eTest, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(ModuleCommandTest, CommandReachesTheModulesFirmware) {
  std::vector<std::uint8_t> flash(0x10000, 0xFF);
  const auto image = testing_support::LoadedImage(Pattern(0, 64));
  std::copy(image.begin(), image.begin() + 64, flash.begin());
  testing_support::WriteTextFile(dir.File("fw.bin"), std::string(flash.begin(), flash.end()));
  StartSim({"--flash-in", dir.File("fw.bin")});
  std::vector<std::string> args = GetParam().command;
  args.insert(args.end(), {"--port", Port()});
  const auto result = Cli(args);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const auto report = Report();
  EXPECT_EQ(report.at("firmware_commands"), nlohmann::json::array({GetParam().received}))
      << report.dump();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ModuleCommandTest,
    ::testing::Values(ModuleCase{"module_reset", {"module", "reset"}, "*"},
                      ModuleCase{"module_erase_data", {"module", "erase-data"}, "EA=1"},
                      ModuleCase{"module_config_reset", {"module", "config-reset"}, "CR"}),
    [](const ::testing::TestParamInfo<ModuleCase>& param_info) {
      return std::string(param_info.param.name);
    });

// A part in its boot loader echoes no firmware command: the commands that
// expect an echo fail, the reset (never answered) does not.
TEST_F(E2eTest, ModuleCommandWithoutEchoFails) {
  struct Case {
    const char* command;
    int exit_status;
    const char* json_sent;
  };
  for (const Case& c :
       {Case{"erase-data", 1, "EA=1"}, Case{"config-reset", 1, "CR"}, Case{"reset", 0, "*"}}) {
    StartSim();
    const auto result = Cli({"module", c.command, "--port", Port()});
    EXPECT_EQ(result.exit_status, c.exit_status) << c.command << result.err;
    if (c.exit_status != 0) {
      EXPECT_EQ(result.err, std::string("Error: the module's firmware did not echo \"") +
                                c.json_sent +
                                "\" within 200 ms: is its firmware running, and the port the "
                                "module's?\n");
    }
    Report();
    StartSim();
    const auto json = Cli({"module", c.command, "--json", "--port", Port()});
    EXPECT_EQ(json.exit_status, c.exit_status) << json.out;
    const auto last = nlohmann::json::parse(json.out.substr(json.out.rfind('{')));
    EXPECT_EQ(last.at("event"), "result");
    EXPECT_EQ(last.at("sent"), c.json_sent);
    EXPECT_EQ(last.at("ok").get<bool>(), c.exit_status == 0);
    Report();
  }
}

}  // namespace
}  // namespace e2e
