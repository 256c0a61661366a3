// The record of a run: its fields as JSON, its times, the image's digest,
// the JSON lines file, the filters of record show and the report that
// fills a record from a run's events.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/record/record_command.h"
#include "cli/record/record_fields.h"
#include "cli/record/record_file.h"
#include "cli/record/record_time.h"
#include "cli/record/recording_report.h"
#include "cli/record/sha256.h"
#include "cli/run_outcome.h"
#include "isp/part_table.h"
#include "tests/support/temp_dir.h"

namespace {

cli::RunRecord FullRecord() {
  cli::RunRecord record;
  record.time_utc = "2026-12-10T23:45:01Z";
  record.station_host = "line-3";
  record.port = "/dev/ttyUSB1";
  record.adapter_serial = "A10K3ZQ";
  record.part_id = 0x26011922;
  record.part_name = "LPC1764";
  record.part_serial = "0x0F01A2B3 0x4C5D6E7F 0x8091A2B3 0xC4D5E6F7";
  record.boot_code = "8.4";
  record.file = "fw \"v2\".hex";
  record.image_sha256 = std::string(64, 'a');
  record.bytes = 106496;
  record.passed = false;
  record.error = "Verify failed at 0x00001008";
  record.duration_ms = 14021;
  return record;
}

bool Same(const cli::RunRecord& a, const cli::RunRecord& b) {
  return cli::RecordJson(a) == cli::RecordJson(b);
}

TEST(RunRecordTest, ALineHoldsEveryFieldAndReadsBackAsTheSameRecord) {
  const cli::RunRecord record = FullRecord();
  const std::string line = cli::RecordLine(record);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  const nlohmann::json object = nlohmann::json::parse(line);
  EXPECT_EQ(object.at("part_id"), 0x26011922u);
  EXPECT_EQ(object.at("file"), "fw \"v2\".hex");
  EXPECT_EQ(object.at("passed"), false);
  EXPECT_EQ(object.size(), 14u);
  const std::optional<cli::RunRecord> back = cli::RecordFromJson(object);
  ASSERT_TRUE(back);
  EXPECT_TRUE(Same(*back, record)) << cli::RecordLine(*back);
}

TEST(RunRecordTest, AnObjectWithoutEveryFieldIsNoRecord) {
  const nlohmann::json whole = cli::RecordJson(FullRecord());
  for (const auto& [name, value] : whole.items()) {
    nlohmann::json missing = whole;
    missing.erase(name);
    EXPECT_FALSE(cli::RecordFromJson(missing)) << "without " << name;
    nlohmann::json retyped = whole;
    retyped[name] = value.is_string() ? nlohmann::json(7) : nlohmann::json("7");
    EXPECT_FALSE(cli::RecordFromJson(retyped)) << name << " of another type";
  }
  EXPECT_FALSE(cli::RecordFromJson(nlohmann::json::array()));
}

TEST(RunRecordTest, NamesThatAreNoUtf8StillGiveAWholeLine) {
  cli::RunRecord record = FullRecord();
  record.file = "fw\xFF.hex";
  const std::string line = cli::RecordLine(record);
  const auto back = cli::RecordFromJson(nlohmann::json::parse(line));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->file, "fw\xEF\xBF\xBD.hex");
}

TEST(RunRecordTest, TimesAreUtcToTheSecond) {
  using namespace std::chrono;
  const sys_days day = year{2026} / December / 10;
  EXPECT_EQ(cli::UtcText(day + hours{23} + minutes{45} + seconds{1} + milliseconds{999}),
            "2026-12-10T23:45:01Z");
  EXPECT_EQ(cli::UtcText(sys_days{year{2024} / February / 29}), "2024-02-29T00:00:00Z");
}

TEST(RunRecordTest, SinceTakesADayOrATimeAndNothingElse) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"2026-12-10", "2026-12-10T00:00:00Z"},
      {"2026-12-10Z", "2026-12-10T00:00:00Z"},
      {"2026-12-10T08:30", "2026-12-10T08:30:00Z"},
      {"2026-12-10 08:30:15", "2026-12-10T08:30:15Z"},
      {"2026-12-10t08:30:15z", "2026-12-10T08:30:15Z"},
      {"2026-12-10T08:30:15Z", "2026-12-10T08:30:15Z"},
      {"2026-02-30", std::nullopt},
      {"2026-12-10T24:00", std::nullopt},
      {"2026-12-10T08", std::nullopt},
      {"2026-12-10T08:30:1", std::nullopt},
      {"2026-12-10T08:30:15+01:00", std::nullopt},
      {"10.12.2026", std::nullopt},
      {"yesterday", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [given, expected] : cases) {
    EXPECT_EQ(cli::RecordTimeOf(given), expected) << given;
  }
}

TEST(RunRecordTest, Sha256IsTheStandardDigest) {
  EXPECT_EQ(cli::Sha256Hex(nullptr, 0),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const std::string abc = "abc";
  EXPECT_EQ(cli::Sha256Hex(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(RunRecordTest, TheImageDigestCoversItsBytesFromTheLowestPlacedOne) {
  isp::FlashImage image;
  const std::uint8_t head[] = {1, 2, 3, 4};
  const std::uint8_t tail[] = {9};
  image.Place(0x4000, head, sizeof head, 1);
  image.Place(0x4008, tail, sizeof tail, 2);
  // 1 2 3 4, then the gap read erased, then 9.
  const std::uint8_t expected[] = {1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 9};
  EXPECT_EQ(cli::ImageDigest(image), cli::Sha256Hex(expected, sizeof expected));
}

TEST(RunRecordTest, SerialNumbersMatchHoweverTheyAreWritten) {
  const std::string shown = cli::SerialText({0x0F01A2B3, 0x4C5D6E7F, 0x8091A2B3, 0xC4D5E6F7});
  EXPECT_EQ(shown, "0x0F01A2B3 0x4C5D6E7F 0x8091A2B3 0xC4D5E6F7");
  const std::string key = "0F01A2B34C5D6E7F8091A2B3C4D5E6F7";
  for (const std::string& given : {shown, std::string("0f01a2b3 4c5d6e7f 8091a2b3 c4d5e6f7"), key,
                                   std::string("0x0f01a2b3-0x4c5d6e7f-0x8091a2b3-0xc4d5e6f7")}) {
    EXPECT_EQ(cli::SerialKey(given), key) << given;
  }
  EXPECT_NE(cli::SerialKey("0x0F01A2B3"), key);
}

TEST(RunRecordTest, RecordFilesAreNamedByTheirKind) {
  EXPECT_EQ(cli::RecordFormatOf("runs.jsonl"), cli::RecordFormat::kJsonLines);
  EXPECT_EQ(cli::RecordFormatOf("RUNS.JSONL"), cli::RecordFormat::kJsonLines);
  EXPECT_EQ(cli::RecordFormatOf("line/runs.db"), cli::RecordFormat::kDatabase);
  EXPECT_EQ(cli::RecordFormatOf("runs.json"), cli::RecordFormat::kUnknown);
  EXPECT_EQ(cli::RecordFormatOf("runs.db.txt"), cli::RecordFormat::kUnknown);
  EXPECT_EQ(cli::RecordFormatOf("jsonl"), cli::RecordFormat::kUnknown);
  EXPECT_FALSE(cli::RecordNameRefusal("runs.jsonl"));
  const auto refusal = cli::RecordNameRefusal("runs.csv");
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->find(".jsonl"), std::string::npos) << *refusal;
  EXPECT_NE(refusal->find(".db"), std::string::npos) << *refusal;
}

TEST(RunRecordTest, JsonLinesAreAppendedAndReadBackInOrder) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("runs.jsonl");
  cli::RunRecord first = FullRecord();
  cli::RunRecord second = FullRecord();
  second.passed = true;
  second.error.clear();
  second.port = "/dev/ttyUSB2";
  ASSERT_EQ(cli::AppendRunRecord(path, first), std::nullopt);
  ASSERT_EQ(cli::AppendRunRecord(path, second), std::nullopt);
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, cli::RecordLine(first) + "\n" + cli::RecordLine(second) + "\n");

  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(path, records, skipped), std::nullopt);
  EXPECT_TRUE(skipped.empty());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(Same(records[0], first));
  EXPECT_TRUE(Same(records[1], second));
}

TEST(RunRecordTest, LinesWithoutAWholeRecordAreLeftOutAndNamed) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("runs.jsonl");
  const std::string good = cli::RecordLine(FullRecord());
  {
    std::ofstream out(path, std::ios::binary);
    out << good << "\n"
        << "{\"time_utc\": \"2026\"}\n"
        << "not json\n"
        << "\n"
        << good << "\n"
        << good.substr(0, 40);  // a line cut short, as by a full disk
  }
  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(path, records, skipped), std::nullopt);
  EXPECT_EQ(records.size(), 2u);
  const std::string name = dir.File("runs.jsonl");
  EXPECT_EQ(skipped,
            (std::vector<std::string>{name + ":2: no record of a run", name + ":3: no JSON",
                                      name + ":6: the line has no end"}));
}

TEST(RunRecordTest, AMissingRecordFileCannotBeRead) {
  testing_support::ScopedTempDir dir;
  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  EXPECT_TRUE(cli::ReadRunRecords(dir.File("none.jsonl"), records, skipped));
}

TEST(RunRecordTest, ShowFiltersBySerialNumberAndStartTime) {
  std::vector<cli::RunRecord> records;
  const std::vector<std::pair<const char*, const char*>> runs = {
      {"2026-12-09T23:59:59Z", "0x00000001 0x00000002 0x00000003 0x00000004"},
      {"2026-12-10T00:00:00Z", "0x00000001 0x00000002 0x00000003 0x00000005"},
      {"2026-12-10T08:30:00Z", "0x00000001 0x00000002 0x00000003 0x00000004"},
      {"2026-12-10T08:30:00Z", ""},  // a part that never answered
  };
  for (const auto& [time, serial] : runs) {
    cli::RunRecord record = FullRecord();
    record.time_utc = time;
    record.part_serial = serial;
    records.push_back(record);
  }
  const auto times = [](const std::vector<cli::RunRecord>& kept) {
    std::vector<std::string> shown;
    for (const auto& record : kept) shown.push_back(record.time_utc);
    return shown;
  };
  struct Case {
    std::string serial;
    std::string since;
    std::vector<std::string> shown;
  };
  const std::vector<Case> cases = {
      {"", "", {runs[0].first, runs[1].first, runs[2].first, runs[3].first}},
      {"1 2 3 4", "", {}},
      {"00000001 00000002 00000003 00000004", "", {runs[0].first, runs[2].first}},
      {"", "2026-12-10T00:00:00Z", {runs[1].first, runs[2].first, runs[3].first}},
      {"0x00000001 0x00000002 0x00000003 0x00000004", "2026-12-10T00:00:00Z", {runs[2].first}},
      {"", "2026-12-10T08:30:01Z", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(times(cli::FilteredRecords(records, c.serial, c.since)), c.shown)
        << "serial " << c.serial << ", since " << c.since;
  }
}

TEST(RunRecordTest, TheTableLinesUpItsColumnsAndEscapesNames) {
  cli::RunRecord passed = FullRecord();
  passed.passed = true;
  passed.error.clear();
  passed.file = "a\x1B[2K.hex";
  cli::RunRecord failed = FullRecord();
  failed.station_host = "h";
  failed.part_name.clear();
  failed.part_serial.clear();
  failed.duration_ms = 260;
  const std::string table = cli::RecordTable({passed, failed});
  const std::string serial = "0x0F01A2B3 0x4C5D6E7F 0x8091A2B3 0xC4D5E6F7";
  const std::string expected =
      "Time                  Host    Port          Part     Serial number" +
      std::string(serial.size() - 13, ' ') +
      "  Result  Bytes   Seconds  File          Error\n"
      "2026-12-10T23:45:01Z  line-3  /dev/ttyUSB1  LPC1764  " +
      serial +
      "  PASS    106496  14.0     a\\x1B[2K.hex\n"
      "2026-12-10T23:45:01Z  h       /dev/ttyUSB1           " +
      std::string(serial.size(), ' ') +
      "  FAIL    106496  0.3      fw \"v2\".hex   Verify failed at 0x00001008\n";
  EXPECT_EQ(table, expected);
}

// A report that keeps what reaches it, in order.
class ListReport : public cli::RunReport {
 public:
  std::vector<std::string> said;

  void PhaseBegun(isp::Phase) override {}
  void Synchronised(bool) override {}
  void Identified(const isp::PartInfo& part) override {
    said.push_back(std::string("part ") + part.name);
  }
  void Erased(const std::vector<isp::SectorSpan>&) override {}
  void BytesWritten(std::uint32_t done, std::uint32_t total) override {
    said.push_back("written " + std::to_string(done) + "/" + std::to_string(total));
  }
  void Written(std::uint32_t) override {}
  void Verified(const isp::Verification&) override {}
  void Restarted() override {}
  void Warned(const isp::Warning&) override {}
  void BytesRead(std::uint32_t, std::uint32_t) override {}
  void Warning(const std::string& text) override { said.push_back("warning " + text); }
  void Error(const std::string& text) override { said.push_back("error " + text); }
  void FileKept(const std::string&, const std::string&) override {}
  void Line(const char* label, const std::string& text) override {
    said.push_back(std::string(label) + " " + text);
  }
  void NotStarted() override { said.push_back("not started"); }
  void Finish(bool ok) override { said.push_back(ok ? "complete" : "failed"); }
};

struct RecordedRun {
  ListReport inner;
  std::vector<cli::RunRecord> kept;
  std::optional<std::string> refusal;
  cli::RecordingReport report{inner, FullRecord(), "runs.jsonl",
                              [this](const cli::RunRecord& record) {
                                kept.push_back(record);
                                return refusal;
                              }};
};

TEST(RecordingReportTest, TheRecordTakesThePartTheBytesAndTheIdentity) {
  RecordedRun run;
  const isp::PartInfo* part = isp::FindPart(0x26011922);
  ASSERT_NE(part, nullptr);
  ASSERT_NE(run.report.Identity(), nullptr);
  run.report.Identified(*part);
  run.report.Identity()->serial = std::array<std::uint32_t, 4>{1, 2, 3, 0xABCDEF01};
  run.report.Identity()->boot_code = std::array<unsigned, 2>{8, 4};
  run.report.BytesWritten(0, 8192);
  run.report.BytesWritten(4096, 8192);
  run.report.Written(8192);
  run.report.Finish(true);
  ASSERT_EQ(run.kept.size(), 1u);
  const cli::RunRecord& record = run.kept[0];
  EXPECT_EQ(record.part_id, 0x26011922u);
  EXPECT_EQ(record.part_name, "LPC1764");
  EXPECT_EQ(record.part_serial, "0x00000001 0x00000002 0x00000003 0xABCDEF01");
  EXPECT_EQ(record.boot_code, "8.4");
  EXPECT_EQ(record.bytes, 8192u);
  EXPECT_TRUE(record.passed);
  EXPECT_EQ(record.error, "");
  EXPECT_EQ(record.port, "/dev/ttyUSB1");  // from the record it began with
  // The events reached the report it watches, the record's place before the last line.
  ASSERT_GE(run.inner.said.size(), 3u);
  EXPECT_EQ(run.inner.said.front(), "part LPC1764");
  EXPECT_TRUE(run.inner.said[run.inner.said.size() - 2].starts_with("Record "));
  EXPECT_EQ(run.inner.said.back(), "complete");
  EXPECT_EQ(run.report.Status(cli::kExitComplete), cli::kExitComplete);
}

TEST(RecordingReportTest, AFailedRunKeepsItsFirstErrorAndTheBytesItGotTo) {
  RecordedRun run;
  run.report.BytesWritten(4096, 8192);
  run.report.Error("The part answered BUSY (11) to \"C 4096 268436224 4096\"");
  run.report.Error("a later one");
  run.report.Finish(false);
  ASSERT_EQ(run.kept.size(), 1u);
  EXPECT_FALSE(run.kept[0].passed);
  EXPECT_EQ(run.kept[0].error, "The part answered BUSY (11) to \"C 4096 268436224 4096\"");
  EXPECT_EQ(run.kept[0].bytes, 4096u);
}

TEST(RecordingReportTest, ARunRefusedBeforeThePortOpenedIsRecordedOnce) {
  RecordedRun run;
  run.report.Error("fw.hex: Invalid HEX file: line 3: checksum mismatch");
  run.report.NotStarted();
  run.report.Finish(false);
  ASSERT_EQ(run.kept.size(), 1u);
  EXPECT_FALSE(run.kept[0].passed);
  EXPECT_EQ(run.kept[0].error, "fw.hex: Invalid HEX file: line 3: checksum mismatch");
}

TEST(RecordingReportTest, ARecordNotKeptIsAnErrorAndFailsAGoodRun) {
  struct Case {
    bool passed;
    const char* said;
  };
  for (const Case c : {Case{true,
                            "error programmed but not recorded: cannot write runs.jsonl: "
                            "it is a symbolic link"},
                       Case{false,
                            "error the failed run was not recorded either: cannot write "
                            "runs.jsonl: it is a symbolic link"}}) {
    RecordedRun run;
    run.refusal = "it is a symbolic link";
    run.report.Finish(c.passed);
    ASSERT_EQ(run.inner.said.size(), 2u);
    EXPECT_EQ(run.inner.said[0], c.said);
    EXPECT_EQ(run.inner.said[1], c.passed ? "complete" : "failed");
    // A failed run keeps its own status; only a good one turns into 1.
    EXPECT_EQ(run.report.Status(c.passed ? cli::kExitComplete : cli::kExitFailed),
              cli::kExitFailed);
    EXPECT_EQ(run.report.Status(cli::kExitNotStarted), cli::kExitNotStarted);
  }
}

TEST(RecordingReportTest, WithoutARecordFileNothingIsReadOrKept) {
  ListReport inner;
  cli::RecordingReport report(inner, "", "/dev/ttyUSB1", "fw.hex");
  EXPECT_EQ(report.Identity(), nullptr);
  report.Finish(true);
  EXPECT_EQ(inner.said, (std::vector<std::string>{"complete"}));
  EXPECT_EQ(report.Status(cli::kExitComplete), cli::kExitComplete);
}

}  // namespace
