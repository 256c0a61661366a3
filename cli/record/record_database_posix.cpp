#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "cli/record/record_database.h"
#include "isp/image/output_folder.h"

namespace cli {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS runs ("
    " id INTEGER PRIMARY KEY,"
    " time_utc TEXT NOT NULL,"
    " station_host TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " adapter_serial TEXT NOT NULL,"
    " part_id INTEGER NOT NULL,"
    " part_name TEXT NOT NULL,"
    " part_serial TEXT NOT NULL,"
    " boot_code TEXT NOT NULL,"
    " file TEXT NOT NULL,"
    " image_sha256 TEXT NOT NULL,"
    " bytes INTEGER NOT NULL,"
    " passed INTEGER NOT NULL,"
    " error TEXT NOT NULL,"
    " duration_ms INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS runs_part_serial ON runs (part_serial);";

constexpr const char* kInsert =
    "INSERT INTO runs (time_utc, station_host, port, adapter_serial, part_id, part_name,"
    " part_serial, boot_code, file, image_sha256, bytes, passed, error, duration_ms)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)";

constexpr const char* kSelect =
    "SELECT time_utc, station_host, port, adapter_serial, part_id, part_name, part_serial,"
    " boot_code, file, image_sha256, bytes, passed, error, duration_ms FROM runs ORDER BY id";

class Database {
 public:
  Database() = default;
  ~Database() { sqlite3_close_v2(db_); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  std::optional<std::string> Open(const std::string& path, int flags) {
    const int code = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (code != SQLITE_OK) return Why();
    sqlite3_extended_result_codes(db_, 1);
    return std::nullopt;
  }
  std::optional<std::string> Run(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) return Why();
    return std::nullopt;
  }
  std::string Why() const { return db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory"; }
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// The same refusals as every file the command line writes: no link on the
// way, a regular file of one name only.
std::optional<std::string> RefusedFile(const std::string& path) {
  std::string leaf;
  std::string why;
  const int folder = isp::OpenOutputFolder(path, leaf, why);
  if (folder < 0) return why;
  struct stat info {};
  const int found = fstatat(folder, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW);
  const int error = errno;
  ::close(folder);
  if (found != 0) {
    if (error == ENOENT) return std::nullopt;
    return std::strerror(error);
  }
  if (S_ISLNK(info.st_mode)) return std::string("it is a symbolic link");
  if (!S_ISREG(info.st_mode)) return std::string("it is not a regular file");
  if (info.st_nlink > 1) return std::string("it has other hard links");
  return std::nullopt;
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void BindNumber(sqlite3_stmt* statement, int index, std::uint64_t number) {
  sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(number));
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (text == nullptr) return "";
  return {reinterpret_cast<const char*>(text),
          static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

std::uint64_t ColumnNumber(sqlite3_stmt* statement, int column) {
  const sqlite3_int64 number = sqlite3_column_int64(statement, column);
  return number < 0 ? 0 : static_cast<std::uint64_t>(number);
}

// Making a new file a write-ahead log takes the whole file, and where another
// process holds a lock in the way SQLite answers "database is locked" at once,
// without its busy wait: tried again until busy_ms have passed.
std::optional<std::string> UseWriteAheadLog(Database& db, int busy_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(busy_ms);
  for (;;) {
    const int code = sqlite3_exec(db.get(), "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK) return std::nullopt;
    if ((code & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() >= deadline) {
      return db.Why();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

bool DatabaseRecordsBuiltIn() {
  return true;
}

std::optional<std::string> AppendToDatabase(const std::string& path, const RunRecord& record,
                                            int busy_ms) {
  if (auto refused = RefusedFile(path)) return refused;
  Database db;
  if (auto why = db.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) return why;
  // Other processes of the station may be writing: wait for them.
  sqlite3_busy_timeout(db.get(), busy_ms);
  // WAL: readers never block the writer, and each commit is one append to
  // the log; FULL: the commit is on the disk when it returns.
  if (auto why = UseWriteAheadLog(db, busy_ms)) return why;
  if (auto why = db.Run("PRAGMA synchronous=FULL")) return why;
  if (auto why = db.Run("BEGIN IMMEDIATE")) return why;
  const auto failed = [&db]() -> std::optional<std::string> {
    std::string why = db.Why();
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    return why;
  };
  if (sqlite3_exec(db.get(), kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) return failed();
  {
    const Statement insert(db.get(), kInsert);
    sqlite3_stmt* row = insert.get();
    if (row == nullptr) return failed();
    BindText(row, 1, record.time_utc);
    BindText(row, 2, record.station_host);
    BindText(row, 3, record.port);
    BindText(row, 4, record.adapter_serial);
    BindNumber(row, 5, record.part_id);
    BindText(row, 6, record.part_name);
    BindText(row, 7, record.part_serial);
    BindText(row, 8, record.boot_code);
    BindText(row, 9, record.file);
    BindText(row, 10, record.image_sha256);
    BindNumber(row, 11, record.bytes);
    BindNumber(row, 12, record.passed ? 1 : 0);
    BindText(row, 13, record.error);
    BindNumber(row, 14, record.duration_ms);
    if (sqlite3_step(row) != SQLITE_DONE) return failed();
  }
  if (sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return failed();
  return std::nullopt;
}

std::optional<std::string> ReadDatabase(const std::string& path, std::vector<RunRecord>& records) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::string(std::strerror(errno));
  Database db;
  if (auto why = db.Open(path, SQLITE_OPEN_READONLY)) return why;
  sqlite3_busy_timeout(db.get(), kDatabaseBusyMs);
  const Statement select(db.get(), kSelect);
  sqlite3_stmt* row = select.get();
  if (row == nullptr) return db.Why();
  int code = SQLITE_ROW;
  while ((code = sqlite3_step(row)) == SQLITE_ROW) {
    RunRecord record;
    record.time_utc = ColumnText(row, 0);
    record.station_host = ColumnText(row, 1);
    record.port = ColumnText(row, 2);
    record.adapter_serial = ColumnText(row, 3);
    record.part_id = static_cast<std::uint32_t>(ColumnNumber(row, 4));
    record.part_name = ColumnText(row, 5);
    record.part_serial = ColumnText(row, 6);
    record.boot_code = ColumnText(row, 7);
    record.file = ColumnText(row, 8);
    record.image_sha256 = ColumnText(row, 9);
    record.bytes = ColumnNumber(row, 10);
    record.passed = ColumnNumber(row, 11) != 0;
    record.error = ColumnText(row, 12);
    record.duration_ms = ColumnNumber(row, 13);
    records.push_back(std::move(record));
  }
  if (code != SQLITE_DONE) return db.Why();
  return std::nullopt;
}

}  // namespace cli
