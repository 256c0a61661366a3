// tarvo-cli info, read, erase and verify, program of a raw binary and the
// adapter's reset lines, against isp-sim in both echo dialects.
#include <algorithm>
#include <csignal>
#include <filesystem>

#include "cli/failure_text.h"
#include "isp/image/image_loader.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/image_writers.h"
#include "tests/support/pty_peer.h"

namespace e2e {
namespace {

constexpr std::uint32_t k1227Flash = 128 * 1024;
constexpr std::uint32_t k1768Flash = 512 * 1024;

// Flash contents that differ from byte to byte and from sector to sector.
std::vector<std::uint8_t> Contents(std::uint32_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::uint32_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 4096 * 13 + 5) & 0xFF);
  return bytes;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::uint32_t from,
                                std::uint32_t count) {
  return std::vector<std::uint8_t>(bytes.begin() + from, bytes.begin() + from + count);
}

class BootCommandsTest : public E2eTest {
 protected:
  // Starts the simulator over these flash contents.
  void StartOver(const std::vector<std::uint8_t>& flash, std::vector<std::string> flags = {},
                 bool once = true) {
    testing_support::WriteTextFile(dir.File("flash-in.bin"), AsText(flash));
    flags.insert(flags.begin(), {"--flash-in", dir.File("flash-in.bin")});
    StartSim(flags, once);
  }
  testing_support::ProcessResult Run(const std::string& command,
                                     const std::vector<std::string>& args) {
    std::vector<std::string> argv = {command, "--port", Port(), "--no-start-isp"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Cli(argv);
  }
  // The flash at the end of the session, the simulator ended first.
  std::vector<std::uint8_t> FlashAtEnd(bool once = true) {
    if (!once) sim->Stop();
    return WholeFlash();
  }
};

struct DialectCase {
  const char* name;
  std::vector<std::string> sim_flags;
  std::uint32_t flash_size;
};

void PrintTo(const DialectCase& c, std::ostream* os) {
  *os << c.name;
}

const DialectCase kDialects[] = {
    {"lpc1227_crlf", {}, k1227Flash},
    {"lpc1768_exact", {"--part", "LPC1768", "--echo", "exact"}, k1768Flash},
};

std::string CaseName(const ::testing::TestParamInfo<DialectCase>& param_info) {
  return param_info.param.name;
}

class DialectTest : public BootCommandsTest, public ::testing::WithParamInterface<DialectCase> {};

TEST_P(DialectTest, InfoNamesThePartAndWhatItsBootLoaderTells) {
  const DialectCase& c = GetParam();
  StartOver(Contents(4096), c.sim_flags);
  const auto result = Run("info", {});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  const bool lpc1768 = c.flash_size == k1768Flash;
  const std::string expected = lpc1768 ? "Identify      LPC1768, 512 KiB flash\n"
                                         "Part          LPC1768\n"
                                         "Part id       0x26013F37 (637615927)\n"
                                         "Flash         512 KiB\n"
                                         "RAM           32 KiB\n"
                                         "Sectors       30 sectors: 0-15 x 4 KiB, 16-29 x 32 KiB\n"
                                       : "Identify      LPC1227, 128 KiB flash\n"
                                         "Part          LPC1227\n"
                                         "Part id       0x3670002B (913309739)\n"
                                         "Flash         128 KiB\n"
                                         "RAM           8 KiB\n"
                                         "Sectors       32 sectors: 0-31 x 4 KiB\n";
  EXPECT_EQ(result.out, "Synchronise   ok\n" + expected +
                            "Boot code     5.2\n"
                            "Serial number 0x0F01A2B3 0x4C5D6E7F 0x8091A2B3 0xC4D5E6F7\n"
                            "Protection    none (word 0xFEF7F0E9 at 0x2FC)\n" +
                            LogLine() + "Complete.\n");
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  // Nothing written, nothing erased.
  EXPECT_EQ(FlashAtEnd(), [&] {
    auto flash = Contents(4096);
    flash.resize(c.flash_size, 0xFF);
    return flash;
  }());
}

TEST_P(DialectTest, ReadWritesTheFlashAsBinaryAndAsIntelHex) {
  const DialectCase& c = GetParam();
  const std::vector<std::uint8_t> flash = Contents(c.flash_size);
  StartOver(flash, c.sim_flags, false);

  // The whole flash by default: refused as a raw binary, since the boot ROM
  // hides the lowest bytes from R; from above that window it is all there.
  auto result = Run("read", {"--out", "all.bin"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  const std::uint32_t window = c.flash_size == k1768Flash ? 64 : 512;
  const std::string window_end = c.flash_size == k1768Flash ? "0x0000003F" : "0x000001FF";
  const std::string part = c.flash_size == k1768Flash ? "LPC1768" : "LPC1227";
  EXPECT_EQ(result.err, "Error: Cannot read 0x00000000 to " + window_end +
                            ": the boot ROM hides the lowest " + std::to_string(window) +
                            " bytes of the " + part +
                            "'s flash from R while its boot loader runs; read from --address " +
                            (window == 64 ? "0x00000040" : "0x00000200") +
                            " on, or into a .hex file, which leaves them out\n");
  EXPECT_FALSE(FileExists("all.bin"));
  result = Run("read", {"--out", "all.bin", "--address", std::to_string(window)});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  const std::string size = std::to_string(c.flash_size - window);
  EXPECT_TRUE(result.out.find("\nRead          " + size + " bytes in ") != std::string::npos)
      << result.out;
  EXPECT_TRUE(result.out.ends_with(std::string(" into all.bin\n") + LogLine() + "Complete.\n"))
      << result.out;
  // Off a terminal, the progress comes as a line every tenth.
  EXPECT_NE(result.out.find("Read          50% ("), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Read          100% (" + size + " of " + size + " bytes)\n"),
            std::string::npos)
      << result.out;
  EXPECT_TRUE(FileText("all.bin") == AsText(Slice(flash, window, c.flash_size - window)));

  // A stretch that begins and ends inside words, as Intel HEX.
  result = Run("read", {"--out", "part.hex", "--address", "0x1001", "--length", "9029"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  isp::FlashImage image;
  isp::ImageError error;
  ASSERT_TRUE(isp::LoadFlashImage(dir.File("part.hex"), c.flash_size, image, error))
      << cli::ImageErrorText(error);
  EXPECT_FALSE(image.Placed(0, 0x1001));
  EXPECT_EQ(image.End(), 0x1001u + 9029u);
  std::vector<std::uint8_t> read(image.Data() + 0x1001, image.Data() + image.End());
  EXPECT_TRUE(read == Slice(flash, 0x1001, 9029));

  // Reading leaves the flash as it was.
  EXPECT_TRUE(FlashAtEnd(false) == flash);
}

TEST_P(DialectTest, VerifyComparesTheFileWithTheFlashAndNamesTheFirstDifference) {
  const DialectCase& c = GetParam();
  std::vector<std::uint8_t> flash = Contents(c.flash_size);
  // The file's data at 0x1000-0x1FFF and 0x5000-0x5010; the flash beyond
  // them is not the file's business.
  ByteMap bytes;
  for (std::uint32_t i = 0x1000; i < 0x2000; ++i) bytes[i] = flash[i];
  for (std::uint32_t i = 0x5000; i < 0x5011; ++i) bytes[i] = flash[i];
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  for (const std::uint32_t changed : {0x5008u, 0x1300u, 0x1234u}) flash[changed] ^= 0x40;
  flash[0x4FFF] ^= 0x01;  // outside the file
  StartOver(Contents(c.flash_size), c.sim_flags, false);
  auto result = Run("verify", {"image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with(
      std::string(
          "Verify        ok: the flash equals the file (read back), 4113 bytes compared\n") +
      LogLine() + "Complete.\n"))
      << result.out;
  EXPECT_EQ(result.err, "");
  sim->Stop();

  StartOver(flash, c.sim_flags);
  result = Run("verify", {"image.hex"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: The flash differs from image.hex: 3 of 4113 bytes differ, the first at "
            "0x00001234\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_TRUE(FlashAtEnd() == flash);  // verify writes nothing
}

INSTANTIATE_TEST_SUITE_P(Dialects, DialectTest, ::testing::ValuesIn(kDialects), CaseName);

TEST_F(BootCommandsTest, InfoTellsTheProtectionAsFarAsThePartLetsItBeRead) {
  const struct {
    std::uint32_t word;
    std::vector<std::string> flags;
    std::string line;
  } cases[] = {
      {0x12345678, {}, "Protection    CRP1 or higher (the part refuses to read its flash)\n"},
      // 0x2FC lies above the boot ROM's window (0x200 bytes here): read as flash, whatever R
      // shows in the window.
      {0x4E697370, {}, "Protection    NO_ISP (word 0x4E697370 at 0x2FC)\n"},
      {0x4E697370, {"--read-sees-flash"}, "Protection    NO_ISP (word 0x4E697370 at 0x2FC)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::vector<std::uint8_t> flash = Contents(0x300);
    for (std::uint32_t i = 0; i < 4; ++i)
      flash[0x2FC + i] = static_cast<std::uint8_t>(c.word >> (8 * i));
    StartOver(flash, c.flags);
    const auto result = Run("info", {});
    EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
    EXPECT_NE(result.out.find(c.line), std::string::npos) << result.out;
    sim->WaitExit(std::chrono::seconds(5));
  }
}

TEST_F(BootCommandsTest, EraseEmptiesTheSectorsAskedForAndTheyReadBlank) {
  const std::vector<std::uint8_t> flash = Contents(k1227Flash);
  StartOver(flash, {}, false);
  auto result = Run("erase", {"--sectors", "1-2"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with(std::string("Erase         sectors 1-2 ok\n") + LogLine() +
                                   "Complete.\n"))
      << result.out;
  result = Run("read", {"--out", "after.bin", "--address", "0x200"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  std::vector<std::uint8_t> expected = flash;
  std::fill(expected.begin() + 0x1000, expected.begin() + 0x3000, 0xFF);
  EXPECT_TRUE(FileText("after.bin") == AsText(Slice(expected, 0x200, k1227Flash - 0x200)));

  // Sectors the part does not have: refused, nothing erased.
  result = Run("erase", {"--sectors", "30-32"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: Cannot erase: sector 32 does not exist: the LPC1227 has sectors 0-31\n");

  result = Run("erase", {"--all"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with(std::string("Erase         sectors 0-31 ok\n") + LogLine() +
                                   "Complete.\n"))
      << result.out;
  EXPECT_TRUE(FlashAtEnd(false) == std::vector<std::uint8_t>(k1227Flash, 0xFF));
  const auto report = Report();
  EXPECT_EQ(report.at("sectors_erased").size(), 32u) << report.dump();
}

TEST_F(BootCommandsTest, EraseAsksForExactlyOneChoice) {
  for (const std::vector<std::string>& choice :
       {std::vector<std::string>{}, {"--all", "--sectors", "1"}, {"--sectors", "3-1"}}) {
    std::vector<std::string> args = {"erase", "--port", "COM9"};
    args.insert(args.end(), choice.begin(), choice.end());
    const auto result = Cli(args);
    EXPECT_EQ(result.exit_status, 64) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(BootCommandsTest, ReadRefusesARangeBeyondTheFlashAndLeavesNoFile) {
  StartOver(Contents(16));
  const auto result = Run("read", {"--out", "dump.bin", "--address", "0x1FFFC", "--length", "8"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: Cannot read 8 bytes at 0x0001FFFC: the LPC1227 has 128 KiB of flash "
            "(0x00000000 to 0x0001FFFF)\n");
  EXPECT_FALSE(FileExists("dump.bin"));
}

TEST_F(BootCommandsTest, ReadNeverWritesThroughASymbolicLink) {
  if (kUnderWine) GTEST_SKIP() << "the Windows program refuses links its own way";
  std::filesystem::create_symlink(dir.File("target.bin"), dir.File("link.bin"));
  const auto result = Cli({"read", "--port", "/dev/null", "--out", "link.bin"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_EQ(result.err, "Error: Cannot write link.bin: it is a symbolic link\n");
  EXPECT_FALSE(FileExists("target.bin"));
}

TEST_F(BootCommandsTest, ReadEndedBySigtermLeavesNoFileAndClosesTheLog) {
  // At the real line rate the whole flash takes some 16 s.
  StartOver(Contents(k1227Flash), {"--baud-rate", "115200"});
  const auto result = testing_support::RunProcessSignalledWhen(
      {TARVO_CLI_PATH, "read", "--no-start-isp", "--port", sim->Path(), "--out", "dump.bin"},
      dir.Path().string(), SIGTERM, [this] { return FileExists("commlog.txt"); });
  EXPECT_EQ(result.exit_status, 128 + SIGTERM) << result.out << result.err;
  EXPECT_EQ(result.err, "Error: terminated\n");
  EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
  EXPECT_FALSE(FileExists("dump.bin"));
  EXPECT_TRUE(FileText("commlog.txt").ends_with("End."));
  ASSERT_TRUE(sim->WaitExit(std::chrono::seconds(5)).has_value());
}

TEST_F(BootCommandsTest, ProgramTakesARawBinaryAndVerifyFindsItInTheFlash) {
  const std::vector<std::uint8_t> low = Contents(0x1800);
  testing_support::WriteTextFile(dir.File("app.bin"), AsText(low));
  const std::vector<std::uint8_t> high = Slice(Contents(0x3000), 0x2000, 0x0F00);
  testing_support::WriteTextFile(dir.File("data.bin"), AsText(high));
  StartSim({"--echo", "exact"}, false);
  auto result = Run("program", {"--no-run", "app.bin"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  result = Run("program", {"--no-run", "--address", "0x4000", "data.bin"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Warning: the image holds no vector table at address 0: sector 0 is left "
            "as it is\n");
  for (const auto& [file, address] :
       {std::pair<const char*, const char*>{"app.bin", "0"}, {"data.bin", "0x4000"}}) {
    result = Run("verify", {"--address", address, file});
    EXPECT_EQ(result.exit_status, 0) << file << result.out << result.err;
  }

  std::vector<std::uint8_t> expected = testing_support::WithChecksumWord(low);
  expected.resize(0x4000, 0xFF);
  expected.insert(expected.end(), high.begin(), high.end());
  expected.resize(k1227Flash, 0xFF);
  EXPECT_TRUE(FlashAtEnd(false) == expected);
}

TEST_F(BootCommandsTest, FileThatIsNoImageIsRefusedBeforeThePortOpens) {
  testing_support::WriteTextFile(dir.File("app.hex"), AsText(Contents(64)));
  testing_support::WriteTextFile(dir.File("app.bin"),
                                 testing_support::HexFromBytes(testing_support::Pattern(16)));
  testing_support::WriteTextFile(dir.File("app.elf"),
                                 testing_support::ElfFile({{1, 0, 0, Contents(64)}}));
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"program", "app.hex"},
       "app.hex holds binary data that is no ELF, S-record or Intel HEX file (its first bytes are "
       "0x05 0x0C 0x13 0x1A); to write it raw into the flash, give its first byte's address with "
       "--address"},
      {{"verify", "--address", "0", "app.bin"},
       "--address is for a raw binary file (.bin); the records of app.bin carry their own "
       "addresses"},
      {{"program", "--address", "0x1000", "app.elf"},
       "--address is for a raw binary file (.bin); the segments of app.elf carry their own "
       "addresses"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {"--port", "COM9"});
    const auto result = Cli(args);
    EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
    EXPECT_EQ(result.err, "Error: " + c.error + "\n");
  }
}

TEST_F(BootCommandsTest, WithResetLinesNoRequestGoesToTheFirmwareAndTheEndIsAReset) {
  StartSim({}, false);
  auto result = Run("info", {"--isp-lines", "dtr-reset-rts-isp"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  // A pseudo-terminal has no modem lines: the user hears that they did not move.
  if (!kUnderWine) {
    EXPECT_EQ(result.err,
              "Warning: the port did not take the DTR/RTS settings, so --isp-lines could not "
              "reset the part\n");
  }
  // Without --no-start-isp too: the lines, not "!", start the boot loader.
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(testing_support::Pattern(0x400)));
  result =
      Cli({"program", "--port", Port(), "--isp-lines", "rts-reset-dtr-isp-inverted", "image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.ends_with(std::string("Restart       ok\n") + LogLine() + "Complete.\n"))
      << result.out;
  EXPECT_TRUE(FileText("commlog.txt").starts_with("Start?")) << FileText("commlog.txt");
  sim->Stop();
  const auto report = Report();
  EXPECT_TRUE(report.at("programs_started").empty()) << report.dump();  // no restart routine
  EXPECT_EQ(report.at("firmware_commands").size(), 0u) << report.dump();
}

TEST_F(BootCommandsTest, UnknownWiringIsAUsageError) {
  const auto result = Cli({"info", "--port", "COM9", "--isp-lines", "dtr-isp"});
  EXPECT_EQ(result.exit_status, 64) << result.err;
  EXPECT_NE(result.err.find("--isp-lines"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// Flash that holds valid user code: a part reset into it runs its firmware.
std::vector<std::uint8_t> RunnableFlash() {
  std::vector<std::uint8_t> flash(0x10000, 0xFF);
  const auto image = testing_support::LoadedImage(testing_support::Pattern(64));
  std::copy(image.begin(), image.begin() + 64, flash.begin());
  return flash;
}

struct RunCase {
  const char* name;
  std::vector<std::string> args;  // after the port options
  bool runs;                      // whether the firmware runs afterwards
};

void PrintTo(const RunCase& c, std::ostream* os) {
  *os << c.name;
}

class RunFirmwareTest : public BootCommandsTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunFirmwareTest, RunStartsTheFirmwareAtTheEnd) {
  const RunCase& c = GetParam();
  const std::vector<std::uint8_t> flash = RunnableFlash();
  StartOver(flash);
  testing_support::WriteTextFile(dir.File("flash.bin"), AsText(Slice(flash, 0, 4096)));
  // The firmware runs at first: "!" takes it into its boot loader.
  std::vector<std::string> argv = c.args;
  argv.insert(argv.begin() + 1, {"--port", Port()});
  const auto result = Cli(argv);
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  if (c.runs) {
    EXPECT_NE(result.out.find("Restart       ok\n"), std::string::npos) << result.out;
  } else {
    sim->Stop();
  }
  const auto report = Report();
  EXPECT_EQ(report.at("firmware_running").get<bool>(), c.runs) << report.dump();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RunFirmwareTest,
    ::testing::Values(
        RunCase{"info_alone_stays", {"info"}, false}, RunCase{"info", {"info", "--run"}, true},
        RunCase{"read",
                {"read", "--out", "out.bin", "--address", "0x200", "--length", "256", "--run"},
                true},
        RunCase{"verify", {"verify", "--run", "flash.bin"}, true},
        RunCase{"erase", {"erase", "--sectors", "5", "--run"}, true},
        RunCase{"run", {"run"}, true}),
    [](const ::testing::TestParamInfo<RunCase>& param_info) {
      return std::string(param_info.param.name);
    });

// A part in its boot loader answers a firmware command too, with a return
// code: only the firmware's exact echo is a success.
TEST_F(BootCommandsTest, ModuleCommandAnsweredByTheBootLoaderFails) {
  StartSim({}, /*once=*/false);
  ASSERT_EQ(Run("info", {}).exit_status, 0);  // the part waits in its boot loader, echo off
  // "EA=1" is no command of the boot loader (1, INVALID_COMMAND); "CR" reads
  // as a copy without its numbers.
  for (const char* command : {"erase-data", "config-reset"}) {
    const auto result = Cli({"module", command, "--port", Port()});
    EXPECT_EQ(result.exit_status, 1) << command << result.out << result.err;
    EXPECT_TRUE(result.err.starts_with("Error: the module answered \"")) << result.err;
    EXPECT_NE(result.err.find("\", not its firmware's echo of"), std::string::npos) << result.err;
    if (std::string(command) == "erase-data") {
      EXPECT_NE(result.err.find("answered \"1\\r\\n\""), std::string::npos) << result.err;
    }
    EXPECT_NE(result.out.find("(not echoed by the firmware)"), std::string::npos) << result.out;
  }
}

TEST_F(BootCommandsTest, ModuleCommandNeedsTheExactEchoAlone) {
  struct Case {
    const char* name;
    std::string answer;  // to the line "EA=1"
    int exit_status;
  } cases[] = {
      {"firmware", "EA=1\r\n", 0},
      {"boot loader, echo on", "EA=1\r\n1\r\n", 1},
      {"boot loader, byte echo", "EA=1\r1\r\n", 1},
      {"another echo", "EA=0\r\n", 1},
  };
  for (const Case& c : cases) {
    testing_support::PtyPeer peer;
    peer.SetResponder(
        [&c](const std::string& token) { return token == "EA=1" ? c.answer : std::string(); });
    const auto result = Cli({"module", "erase-data", "--port", PortTo(peer.Path())});
    EXPECT_EQ(result.exit_status, c.exit_status) << c.name << "\n" << result.out << result.err;
    EXPECT_EQ(result.out.find("(echoed)") != std::string::npos, c.exit_status == 0)
        << c.name << "\n"
        << result.out;
  }
}

TEST_F(BootCommandsTest, ImageBeginningInsideSectorZeroIsRefusedUnlessAllowed) {
  StartSim({}, /*once=*/false);
  testing_support::WriteTextFile(dir.File("data.bin"), std::string(512, '\x5A'));
  auto result = Run("program", {"--address", "4000", "data.bin"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Warning: --address 4000 is read as decimal 4000 (0x00000FA0), not a multiple of 256: "
            "for the hex address write --address 0x4000\n"
            "Error: the image begins at 0x00000FA0 (4000), inside sector 0 but not at 0: "
            "programming it erases sector 0 and leaves the part without valid user code (its "
            "vector table goes); give --allow-partial-sector-0 if that is meant\n");
  result =
      Run("program", {"--address", "4000", "--allow-partial-sector-0", "--no-run", "data.bin"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.err.find("the image holds no vector table at address 0, yet sector 0 is erased: "
                            "the part is left without valid user code\n"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find("left as it is"), std::string::npos) << result.err;
  sim->Stop();
  const auto report = Report();
  EXPECT_EQ(report.at("sectors_erased").front(), 0) << report.dump();
}

}  // namespace
}  // namespace e2e
