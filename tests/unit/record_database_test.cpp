// The SQLite record file: its rows read back, its schema, and what it
// refuses; several processes writing one file at once.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "cli/record/record_database.h"
#include "cli/record/record_fields.h"
#include "cli/record/record_file.h"
#include "tests/support/temp_dir.h"

namespace {

cli::RunRecord RecordOf(const std::string& serial, bool passed) {
  cli::RunRecord record;
  record.time_utc = "2026-12-10T23:45:01Z";
  record.station_host = "line-3";
  record.port = "/dev/ttyUSB1";
  record.adapter_serial = "A10K3ZQ";
  record.part_id = 0x3D00002B;
  record.part_name = "LPC1227";
  record.part_serial = serial;
  record.boot_code = "6.10";
  record.file = "fw.hex";
  record.image_sha256 = std::string(64, 'c');
  record.bytes = 65536;
  record.passed = passed;
  record.error = passed ? "" : "Verify failed at 0x00001008";
  record.duration_ms = 9120;
  return record;
}

// One answer of a query on the file, read by SQLite directly.
std::string Query(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string answer;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(statement, 0);
      if (text != nullptr) answer = reinterpret_cast<const char*>(text);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return answer;
}

TEST(RecordDatabaseTest, RowsReadBackAsTheyWereWrittenInWalModeWithTheSerialIndexed) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("runs.db");
  const std::vector<cli::RunRecord> written = {RecordOf("0x00000001 0x2 0x3 0x4", true),
                                               RecordOf("0x00000009 0x2 0x3 0x4", false)};
  for (const auto& record : written) ASSERT_EQ(cli::AppendRunRecord(path, record), std::nullopt);

  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(path, records, skipped), std::nullopt);
  ASSERT_EQ(records.size(), written.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(cli::RecordJson(records[i]), cli::RecordJson(written[i]));
  }
  EXPECT_EQ(Query(path, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(Query(path,
                  "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = "
                  "'runs' AND sql LIKE '%(part_serial)%'"),
            "runs_part_serial");
  EXPECT_EQ(Query(path, "SELECT part_serial FROM runs WHERE passed = 0"), "0x00000009 0x2 0x3 0x4");
}

TEST(RecordDatabaseTest, WhatIsNoRecordFileOfOursIsRefused) {
  testing_support::ScopedTempDir dir;
  ASSERT_EQ(cli::AppendRunRecord(dir.File("real.db"), RecordOf("1", true)), std::nullopt);
  std::filesystem::create_symlink("real.db", dir.File("link.db"));
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory_symlink("real", dir.File("via"));
  std::filesystem::create_hard_link(dir.File("real.db"), dir.File("second.db"));
  {
    std::FILE* text = std::fopen(dir.File("text.db").c_str(), "w");
    ASSERT_NE(text, nullptr);
    std::fputs("no database\n", text);
    std::fclose(text);
  }
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"link.db", "it is a symbolic link"},     {"via/runs.db", "via is a symbolic link"},
      {"second.db", "it has other hard links"}, {"real", "it is not a regular file"},
      {"text.db", "file is not a database"},    {"text.db/runs.db", ""},
  };
  for (const auto& [name, why] : cases) {
    const auto refusal = cli::AppendToDatabase(dir.File(name), RecordOf("1", true));
    ASSERT_TRUE(refusal) << name;
    EXPECT_NE(refusal->find(why), std::string::npos) << name << ": " << *refusal;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("real/runs.db")));
  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(dir.File("real.db"), records, skipped), std::nullopt);
  EXPECT_EQ(records.size(), 1u);
}

TEST(RecordDatabaseTest, ALockedDatabaseIsNamedOnceTheWaitIsOver) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("runs.db");
  ASSERT_EQ(cli::AppendRunRecord(path, RecordOf("1", true)), std::nullopt);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  const auto refusal = cli::AppendToDatabase(path, RecordOf("2", true), 50);
  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->find("locked"), std::string::npos) << *refusal;
  EXPECT_EQ(Query(path, "SELECT count(*) FROM runs"), "1");
}

// Making a file a write-ahead log while another writer holds it is refused at
// once by SQLite, without its busy wait: the record waits for the writer.
TEST(RecordDatabaseTest, AFileAnotherWriterHoldsIsWaitedForBeforeItBecomesALog) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("runs.db");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(other, "CREATE TABLE other (x); BEGIN IMMEDIATE; INSERT INTO other VALUES (1)",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  std::thread holder([other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  });
  const auto failure = cli::AppendRunRecord(path, RecordOf("0-1", true));
  holder.join();
  sqlite3_close(other);
  EXPECT_EQ(failure, std::nullopt);
  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(path, records, skipped), std::nullopt);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].part_serial, "0-1");
  EXPECT_EQ(Query(path, "PRAGMA journal_mode"), "wal");
}

TEST(RecordDatabaseTest, TwoProcessesWritingAtOnceLoseNoRow) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("runs.db");
  constexpr int kRows = 50;
  std::vector<pid_t> writers;
  for (int writer = 0; writer < 2; ++writer) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // Both begin on a file that does not exist yet: its creation races too.
      int failures = 0;
      for (int row = 0; row < kRows; ++row) {
        const std::string serial = std::to_string(writer) + "-" + std::to_string(row);
        if (cli::AppendRunRecord(path, RecordOf(serial, true))) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    writers.push_back(pid);
  }
  for (const pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  std::vector<cli::RunRecord> records;
  std::vector<std::string> skipped;
  ASSERT_EQ(cli::ReadRunRecords(path, records, skipped), std::nullopt);
  std::set<std::string> serials;
  for (const auto& record : records) serials.insert(record.part_serial);
  EXPECT_EQ(records.size(), 2u * kRows);
  EXPECT_EQ(serials.size(), 2u * kRows);
  EXPECT_TRUE(serials.contains("0-49") && serials.contains("1-0"));
}

}  // namespace
