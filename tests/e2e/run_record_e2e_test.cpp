// program --record against isp-sim: every run's record read back and
// checked against what the run did, a record that cannot be written, and
// record show's filters.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "cli/record/record_fields.h"
#include "cli/record/record_file.h"
#include "cli/record/record_time.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;

// The line under its label in info's output ("Serial number").
std::string InfoValue(const std::string& out, const std::string& label) {
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with(label + " ")) {
      const std::size_t text = line.find_first_not_of(' ', label.size());
      return line.substr(text);
    }
  }
  return "";
}

// The text of the first "Error: " line.
std::string FirstError(const std::string& err) {
  const std::size_t at = err.find("Error: ");
  if (at == std::string::npos) return "";
  const std::size_t text = at + 7;
  return err.substr(text, err.find('\n', text) - text);
}

std::string Now() {
  return cli::UtcText(std::chrono::system_clock::now());
}

class RunRecordTest : public E2eTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // The records of the file, as record show --json prints them.
  std::vector<cli::RunRecord> Shown(const std::string& file) {
    const auto shown = Cli({"record", "show", file, "--json"});
    EXPECT_EQ(shown.exit_status, 0) << shown.err;
    EXPECT_EQ(shown.err, "");
    std::vector<cli::RunRecord> records;
    std::istringstream lines(shown.out);
    std::string line;
    while (std::getline(lines, line)) {
      const auto record = cli::RecordFromJson(nlohmann::json::parse(line, nullptr, false));
      EXPECT_TRUE(record) << line;
      if (record) records.push_back(*record);
    }
    return records;
  }
  // The digest of the bytes as a program of its own computes it.
  std::string Sha256Sum(const std::vector<std::uint8_t>& bytes) {
    const std::string file = dir.File("written.bin");
    testing_support::WriteTextFile(file, std::string(bytes.begin(), bytes.end()));
    const auto sum = testing_support::RunProcess({"/usr/bin/sha256sum", file}, dir.Path().string());
    EXPECT_EQ(sum.exit_status, 0) << sum.err;
    return sum.out.substr(0, 64);
  }
};

TEST_P(RunRecordTest, EveryRunIsReadBackAsItWent) {
  const std::string file = GetParam();
  // What the part says of itself, as info shows it.
  StartSim();
  const auto info = Cli({"info", "--port", Port(), "--no-start-isp", "--no-log"});
  ASSERT_EQ(info.exit_status, 0) << info.err;
  ASSERT_FALSE(InfoValue(info.out, "Serial number").empty()) << info.out;

  StartSim();
  const std::string before = Now();
  const auto wall_begin = std::chrono::steady_clock::now();
  const ByteMap image = Pattern(0, 6000);
  const auto good = Program(image, {"--no-start-isp", "--record", file});
  const auto wall_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - wall_begin)
                           .count();
  const std::string after = Now();
  ASSERT_EQ(good.exit_status, 0) << good.out << good.err;
  EXPECT_EQ(good.err, "");
  EXPECT_NE(good.out.find("Record        " + ShownPath(file) + "\n"), std::string::npos)
      << good.out;
  const std::vector<std::uint8_t> flash = WholeFlash();
  ASSERT_GE(flash.size(), 6000u);
  const std::string digest = Sha256Sum({flash.begin(), flash.begin() + 6000});

  // The second run fails at its first copy.
  const std::string good_port = Port();
  StartSim({"--copy-error"});
  const auto bad = Program(image, {"--no-start-isp", "--record", file});
  ASSERT_EQ(bad.exit_status, 1) << bad.out << bad.err;

  const std::vector<cli::RunRecord> records = Shown(file);
  ASSERT_EQ(records.size(), 2u);
  const cli::RunRecord& first = records[0];
  EXPECT_GE(first.time_utc, before);
  EXPECT_LE(first.time_utc, after);
  EXPECT_EQ(first.port, good_port);
  std::string host = testing_support::ReadFile("/proc/sys/kernel/hostname");
  while (!host.empty() && host.back() == '\n') host.pop_back();
  EXPECT_EQ(first.station_host, host);
  EXPECT_EQ(first.adapter_serial, "");  // a pseudo-terminal has no adapter
  EXPECT_EQ(first.part_name, InfoValue(info.out, "Part"));
  EXPECT_EQ(first.part_serial, InfoValue(info.out, "Serial number"));
  EXPECT_EQ(first.boot_code, InfoValue(info.out, "Boot code"));
  char part_id[40];
  std::snprintf(part_id, sizeof part_id, "0x%08X (%u)", static_cast<unsigned>(first.part_id),
                static_cast<unsigned>(first.part_id));
  EXPECT_EQ(InfoValue(info.out, "Part id"), part_id);
  EXPECT_EQ(first.file, "image.hex");
  EXPECT_EQ(first.image_sha256, digest);
  // As the run counts them: whole blocks, as its Write line says.
  EXPECT_NE(good.out.find("Write         " + std::to_string(first.bytes) + " bytes in "),
            std::string::npos)
      << good.out;
  EXPECT_GE(first.bytes, 6000u);
  EXPECT_TRUE(first.passed);
  EXPECT_EQ(first.error, "");
  EXPECT_GT(first.duration_ms, 0u);
  EXPECT_LE(first.duration_ms, static_cast<std::uint64_t>(wall_ms));

  const cli::RunRecord& second = records[1];
  EXPECT_FALSE(second.passed);
  EXPECT_EQ(second.error, FirstError(bad.err));
  EXPECT_NE(second.error.find("BUSY"), std::string::npos) << second.error;
  EXPECT_EQ(second.part_serial, first.part_serial);
  EXPECT_EQ(second.image_sha256, digest);
  // The part took the first block into RAM; its copy failed.
  EXPECT_LT(second.bytes, first.bytes);

  // The file itself holds the same, read without the command line.
  std::vector<cli::RunRecord> direct;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(dir.File(file), direct, skipped), std::nullopt);
  ASSERT_EQ(direct.size(), 2u);
  EXPECT_EQ(cli::RecordLine(direct[1]), cli::RecordLine(second));
}

TEST_P(RunRecordTest, ARunRefusedBeforeThePortOpenedIsRecordedWithItsReason) {
  const std::string file = GetParam();
  const auto result = Cli(
      {"program", "--port", dir.File("no-such-port"), "--record", file, dir.File("missing.hex")});
  ASSERT_EQ(result.exit_status, 2) << result.err;
  const std::vector<cli::RunRecord> records = Shown(file);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_FALSE(records[0].passed);
  EXPECT_EQ(records[0].error, FirstError(result.err));
  EXPECT_EQ(records[0].part_id, 0u);
  EXPECT_EQ(records[0].image_sha256, "");
}

INSTANTIATE_TEST_SUITE_P(Formats, RunRecordTest, ::testing::Values("runs.jsonl", "runs.db"));

// The run still programs the part; the record's failure is an error line
// and exit status 1. Tests run as root, who may write into a folder
// without write permission: the read-only folder here is /proc, which
// takes no new file from anyone.
TEST_F(E2eTest, ARecordThatCannotBeWrittenFailsAGoodRunThatStillProgrammed) {
  std::filesystem::create_directory(dir.File("elsewhere"));
  std::filesystem::create_symlink("elsewhere/runs.jsonl", dir.File("link.jsonl"));
  std::filesystem::create_symlink("elsewhere/runs.db", dir.File("link.db"));
  testing_support::WriteTextFile(dir.File("plain"), "a file, no folder\n");
  struct Case {
    std::string record;
    std::string why;
  };
  const std::vector<Case> cases = {
      {"link.jsonl", "it is a symbolic link"},
      {"link.db", "it is a symbolic link"},
      {"/proc/tarvo-record.jsonl", ""},
      {"/proc/tarvo-record.db", ""},
      {"plain/runs.jsonl", ""},
  };
  const ByteMap image = Pattern(0, 3000);
  for (const Case& c : cases) {
    StartSim();
    const auto result = Program(image, {"--no-start-isp", "--record", c.record});
    EXPECT_EQ(result.exit_status, 1) << c.record << ": " << result.out << result.err;
    EXPECT_TRUE(result.out.ends_with("Complete.\n")) << c.record << ": " << result.out;
    const std::string error = FirstError(result.err);
    EXPECT_TRUE(
        error.starts_with("programmed but not recorded: cannot write " + c.record + ": " + c.why))
        << c.record << ": " << result.err;
    const auto flash = WholeFlash();
    ASSERT_GE(flash.size(), 3000u);
    EXPECT_EQ(flash[2999], image.at(2999)) << c.record;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("elsewhere")));
}

TEST_F(E2eTest, RecordOptionsThatCannotWorkAreUsageErrorsBeforeThePortOpens) {
  testing_support::WriteTextFile(dir.File("image.hex"),
                                 testing_support::HexFromBytes(Pattern(0, 64)));
  struct Case {
    std::vector<std::string> args;
    std::string said;
  };
  const std::vector<Case> cases = {
      {{"--record", "runs.txt"}, "its name must end in .jsonl (JSON lines) or .db (SQLite)"},
      {{"--record", "runs"}, "its name must end in .jsonl"},
      {{"--classic", "--record", "runs.jsonl"}, "--record"},
      {{"--record", "commlog.txt.db", "--log", "commlog.txt.db"}, "--record"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"program", "--port", dir.File("no-such-port")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("image.hex");
    const auto result = Cli(args);
    EXPECT_EQ(result.exit_status, 64) << c.args[1] << ": " << result.err;
    EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("no-such-port"), std::string::npos) << result.err;
  }
  EXPECT_FALSE(FileExists("runs.jsonl"));
  EXPECT_FALSE(FileExists("commlog.txt.db"));
}

TEST_F(E2eTest, RecordShowPrintsTheRunsThatPassItsFilters) {
  const std::vector<std::pair<const char*, const char*>> runs = {
      {"2026-12-09T10:00:00Z", "0x00000001 0x00000002 0x00000003 0x00000004"},
      {"2026-12-10T09:00:00Z", "0x00000001 0x00000002 0x00000003 0x00000005"},
      {"2026-12-10T11:00:00Z", "0x00000001 0x00000002 0x00000003 0x00000004"},
  };
  for (const char* file : {"runs.jsonl", "runs.db"}) {
    for (const auto& [time, serial] : runs) {
      cli::RunRecord record;
      record.time_utc = time;
      record.part_serial = serial;
      record.part_name = "LPC1227";
      record.passed = true;
      ASSERT_EQ(cli::AppendRunRecord(dir.File(file), record), std::nullopt);
    }
    struct Case {
      std::vector<std::string> filters;
      std::vector<std::string> times;
    };
    const std::vector<Case> cases = {
        {{}, {runs[0].first, runs[1].first, runs[2].first}},
        {{"--serial", "00000001 00000002 00000003 00000004"}, {runs[0].first, runs[2].first}},
        {{"--since", "2026-12-10"}, {runs[1].first, runs[2].first}},
        {{"--since", "2026-12-10T10:00", "--serial", "0x1 0x2"}, {}},
        {{"--serial", "0x00000001 0x00000002 0x00000003 0x00000004", "--since", "2026-12-10"},
         {runs[2].first}},
    };
    for (const Case& c : cases) {
      std::vector<std::string> args = {"record", "show", file};
      args.insert(args.end(), c.filters.begin(), c.filters.end());
      const auto table = Cli(args);
      ASSERT_EQ(table.exit_status, 0) << table.err;
      // A header, then a row per run in its order.
      std::istringstream lines(table.out);
      std::string line;
      ASSERT_TRUE(std::getline(lines, line));
      EXPECT_TRUE(line.starts_with("Time ")) << line;
      std::vector<std::string> times;
      while (std::getline(lines, line)) {
        EXPECT_NE(line.find("LPC1227"), std::string::npos) << line;
        EXPECT_NE(line.find("PASS"), std::string::npos) << line;
        times.push_back(line.substr(0, 20));
      }
      EXPECT_EQ(times, c.times) << file;

      args.push_back("--json");
      const auto json = Cli(args);
      ASSERT_EQ(json.exit_status, 0) << json.err;
      std::vector<std::string> json_times;
      std::istringstream json_lines(json.out);
      while (std::getline(json_lines, line)) {
        json_times.push_back(nlohmann::json::parse(line).at("time_utc").get<std::string>());
      }
      EXPECT_EQ(json_times, c.times) << file;
    }
  }
  const std::vector<std::pair<std::vector<std::string>, int>> refused = {
      {{"record", "show", "runs.jsonl", "--since", "yesterday"}, 64},
      {{"record", "show", "runs.csv"}, 64},
      {{"record", "show", "none.jsonl"}, 2},
      {{"record", "show", "none.db"}, 2},
  };
  for (const auto& [args, status] : refused) {
    const auto result = Cli(args);
    EXPECT_EQ(result.exit_status, status) << args[2] << ": " << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(result.err.empty());
  }
}

}  // namespace
}  // namespace e2e
