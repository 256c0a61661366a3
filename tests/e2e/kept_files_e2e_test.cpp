// What the user owns stays as it was: read --out over an existing file,
// outputs that are the same file as an input or another output, advice for
// a protected part, names that hold control characters, and folders that
// are symbolic links. Against isp-sim.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t k1227Flash = 128 * 1024;
constexpr const char* kOldText = "the user's own file, kept\n";
constexpr const char* kNoPort = "/dev/tarvo-no-such-port";

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Flash contents that differ from byte to byte, the protection word set.
std::vector<std::uint8_t> FlashWith(std::uint32_t size,
                                    std::uint32_t protection_word = 0xFFFFFFFF) {
  // At least up to the protection word, which lies at 0x2FC.
  std::vector<std::uint8_t> bytes(std::max<std::uint32_t>(size, 0x300));
  for (std::uint32_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::uint32_t i = 0; i < 4; ++i)
    bytes[0x2FC + i] = static_cast<std::uint8_t>(protection_word >> (8 * i));
  return bytes;
}

constexpr std::uint32_t kCrp1 = 0x12345678;
constexpr std::uint32_t kCrp2 = 0x87654321;

class KeptFilesTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    if (kUnderWine) GTEST_SKIP() << "the Windows program keeps its files its own way";
  }
  void StartOver(const std::vector<std::uint8_t>& flash, std::vector<std::string> flags = {}) {
    testing_support::WriteTextFile(dir.File("flash-in.bin"), AsText(flash));
    flags.insert(flags.begin(), {"--flash-in", dir.File("flash-in.bin")});
    StartSim(flags);
  }
  testing_support::ProcessResult Run(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--port", port, "--no-start-isp"});
    return Cli(args);
  }
  // Names in the working directory that a run left besides the given ones.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      const std::string name = entry.path().filename().string();
      if (name.find(".tarvo-") != std::string::npos) names.push_back(name);
    }
    return names;
  }
};

TEST_F(KeptFilesTest, ReadThatFailsLeavesTheOldFileByteIdentical) {
  const struct {
    const char* name;
    bool sim;
    std::vector<std::uint8_t> flash;
    std::vector<std::string> sim_flags;
    std::vector<std::string> args;
    int status;
    const char* error;
  } cases[] = {
      // Reads begin above the boot ROM's window: a .bin read that covers it is refused.
      {"missing port",
       false,
       {},
       {},
       {"--address", "0x200"},
       2,
       "Unable to open serial port /dev/tarvo-no-such-port"},
      {"silent part",
       true,
       FlashWith(64),
       {"--silent"},
       {"--address", "0x200"},
       1,
       "Part not responding"},
      {"range outside the flash",
       true,
       FlashWith(64),
       {},
       {"--address", "0x1FFFC", "--length", "8"},
       2,
       "Cannot read 8 bytes at 0x0001FFFC"},
      {"CRP1",
       true,
       FlashWith(0x400, kCrp1),
       {},
       {"--address", "0x200"},
       1,
       "cannot be read while it is protected"},
      {"CRP2",
       true,
       FlashWith(0x400, kCrp2),
       {},
       {"--address", "0x200"},
       1,
       "cannot be read while it is protected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::WriteTextFile(dir.File("keep.bin"), kOldText);
    if (c.sim) StartOver(c.flash, c.sim_flags);
    std::vector<std::string> args = {"read", "--out", "keep.bin"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto result = Run(c.sim ? Port() : kNoPort, args);
    EXPECT_EQ(result.exit_status, c.status) << result.out << result.err;
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
    EXPECT_EQ(FileText("keep.bin"), kOldText);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    if (c.sim) sim->Stop();
  }
}

TEST_F(KeptFilesTest, ReadStoppedBySignalLeavesTheOldFileByteIdentical) {
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    testing_support::WriteTextFile(dir.File("keep.bin"), kOldText);
    // At the real line rate the whole flash takes some 16 s: the signal
    // comes once the read is under way (the log holds more than the sync).
    StartOver(FlashWith(k1227Flash), {"--baud-rate", "115200"});
    const auto result = testing_support::RunProcessSignalledWhen(
        {TARVO_CLI_PATH, "read", "--no-start-isp", "--port", sim->Path(), "--out", "keep.bin",
         "--address", "0x200"},
        dir.Path().string(), signal_number,
        [this] { return FileExists("commlog.txt") && FileText("commlog.txt").size() > 4000; });
    EXPECT_EQ(result.exit_status, 128 + signal_number) << result.out << result.err;
    EXPECT_EQ(FileText("keep.bin"), kOldText);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    sim->Stop();
  }
}

// A small file system of its own, mounted in a user and mount namespace so
// that no privilege is needed: the read fills it.
TEST_F(KeptFilesTest, ReadOntoAFullDiskNamesTheReasonAndKeepsTheOldFile) {
  const std::string unshare = "/usr/bin/unshare";
  if (!fs::exists(unshare) ||
      testing_support::RunProcess({unshare, "-rm", "/bin/true"}, dir.Path().string()).exit_status !=
          0) {
    GTEST_SKIP() << "no user namespaces here for a small tmpfs";
  }
  fs::create_directory(dir.File("small"));
  StartOver(FlashWith(k1227Flash));
  const std::string script =
      "mount -t tmpfs -o size=64k tmpfs small && cd small && printf %s \"$1\" > keep.bin && "
      "\"$2\" read --no-start-isp --port \"$3\" --out keep.bin --address 0x200; status=$?; "
      "cat keep.bin > ../after.bin; ls -A > ../listing.txt; exit $status";
  const auto result = testing_support::RunProcess(
      {unshare, "-rm", "/bin/sh", "-c", script, "sh", kOldText, TARVO_CLI_PATH, sim->Path()},
      dir.Path().string());
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_NE(result.err.find("Error: Cannot write keep.bin: No space left on device\n"),
            std::string::npos)
      << result.err;
  // The traffic log shares the small disk: it is said to be incomplete.
  EXPECT_NE(result.err.find("Warning: \"commlog.txt\" is incomplete: No space left on device\n"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(FileText("after.bin"), kOldText);
  EXPECT_EQ(FileText("listing.txt"), "commlog.txt\nkeep.bin\n");
}

TEST_F(KeptFilesTest, ReadThatSucceedsReplacesTheFileAndKeepsItsPermissions) {
  testing_support::WriteTextFile(dir.File("keep.bin"), kOldText);
  ASSERT_EQ(chmod(dir.File("keep.bin").c_str(), 0600), 0);
  const std::vector<std::uint8_t> flash = FlashWith(0x400);
  StartOver(flash);
  const auto result =
      Run(Port(), {"read", "--out", "keep.bin", "--address", "0x200", "--length", "512"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(FileText("keep.bin") == AsText(flash).substr(0x200));
  struct stat info {};
  ASSERT_EQ(stat(dir.File("keep.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(KeptFilesTest, OutputsThatCollideAreRefusedBeforeThePortOpensNamingBoth) {
  testing_support::WriteTextFile(dir.File("fw.hex"),
                                 testing_support::HexFromBytes(testing_support::Pattern(64)));
  const std::string firmware = FileText("fw.hex");
  ASSERT_EQ(link(dir.File("fw.hex").c_str(), dir.File("same.hex").c_str()), 0);
  fs::create_directory(dir.File("sub"));
  // Neither there yet: the same resolved path.
  auto result = Cli({"read", "--port", kNoPort, "--out", "sub/../commlog.txt"});
  EXPECT_EQ(result.exit_status, 64) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: sub/../commlog.txt (--out) is the same file as commlog.txt (the traffic log): "
            "nothing was sent; give another name\n");
  EXPECT_FALSE(FileExists("commlog.txt"));

  testing_support::WriteTextFile(dir.File("commlog.txt"), kOldText);
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"read", "--out", "commlog.txt"},
       "commlog.txt (--out) is the same file as commlog.txt (the traffic log)"},
      {{"read", "--out", "sub/../commlog.txt"},
       "sub/../commlog.txt (--out) is the same file as commlog.txt (the traffic log)"},
      {{"verify", "commlog.txt"},
       "commlog.txt (the traffic log) is the same file as commlog.txt (the image)"},
      {{"program", "--log", "fw.hex", "fw.hex"},
       "fw.hex (--log) is the same file as fw.hex (the image)"},
      // Another name of the same file: the same device and inode.
      {{"program", "--log", "same.hex", "fw.hex"},
       "same.hex (--log) is the same file as fw.hex (the image)"},
      {{"program", "--classic", "--log", "./fw.hex", "fw.hex"},
       "./fw.hex (--log) is the same file as fw.hex (the image)"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {"--port", kNoPort});
    result = Cli(args);
    EXPECT_EQ(result.exit_status, 64) << result.out << result.err;
    EXPECT_EQ(result.err,
              "Error: " + std::string(c.error) + ": nothing was sent; give another name\n");
  }
  EXPECT_EQ(FileText("commlog.txt"), kOldText);
  EXPECT_EQ(FileText("fw.hex"), firmware);
}

TEST_F(KeptFilesTest, ProtectedPartGetsAdviceThatFitsTheCommandAndNeverErasesWhatIsRead) {
  testing_support::WriteTextFile(dir.File("fw.hex"),
                                 testing_support::HexFromBytes(testing_support::Pattern(0x400)));
  const struct {
    const char* name;
    std::uint32_t word;
    std::vector<std::string> args;
    const char* advice;
    const char* foreign;  // an option of another command, never advised
  } cases[] = {
      {"read CRP1",
       kCrp1,
       {"read", "--out", "out.bin", "--address", "0x200"},
       "cannot be read while",
       "--erase-all"},
      {"read CRP2",
       kCrp2,
       {"read", "--out", "out.bin", "--address", "0x200"},
       "cannot be read while",
       "--erase-all"},
      {"verify CRP1", kCrp1, {"verify", "fw.hex"}, "cannot be verified while", "--erase-all"},
      {"verify CRP2", kCrp2, {"verify", "fw.hex"}, "cannot be verified while", "--erase-all"},
      {"erase CRP1", kCrp1, {"erase", "--sectors", "0-1"}, "erase --all", "--erase-all"},
      {"program CRP1",
       kCrp1,
       {"program", "fw.hex"},
       "program --erase-all (the run ends after the "
       "erase), reset the part",
       "erase --all"},
      {"program CRP2",
       kCrp2,
       {"program", "fw.hex"},
       "program --erase-all (the run ends after the "
       "erase), reset the part",
       "erase --all"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> flash = FlashWith(0x2000, c.word);
    StartOver(flash);
    const auto result = Run(Port(), c.args);
    EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
    EXPECT_NE(result.err.find(c.advice), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(c.foreign), std::string::npos) << result.err;
    sim->Stop();
    // Nothing erased or written.
    std::vector<std::uint8_t> expected = flash;
    expected.resize(k1227Flash, 0xFF);
    EXPECT_TRUE(WholeFlash() == expected);
  }
}

TEST_F(KeptFilesTest, ProgramWithEraseAllOnAProtectedPartSaysBeforeTheEraseThatTheRunEndsThere) {
  testing_support::WriteTextFile(dir.File("fw.hex"),
                                 testing_support::HexFromBytes(testing_support::Pattern(0x400)));
  for (const std::uint32_t word : {kCrp1, kCrp2}) {
    SCOPED_TRACE(word);
    StartOver(FlashWith(0x2000, word));
    const auto result = Run(Port(), {"program", "--erase-all", "fw.hex"});
    EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
    const std::size_t warning = result.err.find(
        "Warning: the part is under code read protection (CRP1 or higher: it refuses to read its "
        "flash); it takes an erase of every sector, but no new code before it is reset: the run "
        "ends after the erase\n");
    EXPECT_NE(warning, std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Error: Every sector of the LPC1227 is erased, but it keeps its code "
                              "read protection until it is reset, so nothing was written: reset "
                              "the part into its boot loader (RESET with the ISP pin low) and "
                              "program again\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("--erase-all"), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("Erase         sectors 0-31 ok\n"), std::string::npos) << result.out;
    sim->Stop();
    EXPECT_TRUE(WholeFlash() == std::vector<std::uint8_t>(k1227Flash, 0xFF));
  }
}

TEST_F(KeptFilesTest, NameWithAnEscapeSequenceIsShownEscaped) {
  const std::string name = "\x1b[2K\rComplete.";
  StartOver(FlashWith(0x400));
  const auto result = Run(Port(), {"read", "--out", name, "--address", "0x200", "--length", "16"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find(" into \\x1B[2K\\x0DComplete.\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << result.out;
  EXPECT_EQ(FileText(name).size(), 16u);
}

TEST_F(KeptFilesTest, OutputThroughASymbolicFolderIsRefused) {
  fs::create_directory(dir.File("real"));
  fs::create_directory_symlink(dir.File("real"), dir.File("via"));
  const auto result = Run(kNoPort, {"read", "--out", "via/dump.bin"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_EQ(result.err, "Error: Cannot write via/dump.bin: its folder via is a symbolic link\n");
  EXPECT_TRUE(fs::is_empty(dir.File("real")));
}

}  // namespace
}  // namespace e2e
