#include "records/sqlite_connection.h"

#include <sqlite3.h>

namespace t418 {

namespace {

// How long a writer waits for another one before it gives up.
constexpr int kBusyTimeoutMs = 30000;

class Statement {
 public:
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_;
};

}  // namespace

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

std::unique_ptr<SqliteConnection> SqliteConnection::Open(const std::string& path, std::string& error) {
  sqlite3* db = nullptr;
  const int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (code != SQLITE_OK) {
    error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    sqlite3_close_v2(db);
    return nullptr;
  }
  std::unique_ptr<SqliteConnection> connection(new SqliteConnection(db));
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  // A file this user may not write is opened for reading only: refuse it before anything else.
  if (sqlite3_db_readonly(db, "main") == 1) {
    error = "the file is read-only";
    return nullptr;
  }
  // The first statement reads the file: junk shows here as "file is not a database".
  std::vector<SqlRow> mode;
  if (!connection->Exec("PRAGMA journal_mode=WAL", {}, &mode)) {
    error = connection->Error();
    return nullptr;
  }
  if (mode.empty() || mode[0].empty() || mode[0][0] != "wal") {
    error = "the file cannot be put in write-ahead log mode";
    return nullptr;
  }
  return connection;
}

bool SqliteConnection::Fail() {
  const int code = sqlite3_extended_errcode(db_) & 0xff;
  retryable_ = code == SQLITE_BUSY || code == SQLITE_LOCKED;
  error_ = sqlite3_errmsg(db_);
  return false;
}

bool SqliteConnection::Exec(std::string_view sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows) {
  retryable_ = false;
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) return Fail();
  Statement statement(raw);
  for (std::size_t i = 0; i < params.size(); ++i) {
    const std::string name = "$" + std::to_string(i + 1);
    const int index = sqlite3_bind_parameter_index(raw, name.c_str());
    if (index == 0) continue;  // not used by this statement
    int code;
    if (const auto* bytes = std::get_if<std::string>(&params[i]))
      code = sqlite3_bind_blob64(raw, index, bytes->data(), bytes->size(), SQLITE_TRANSIENT);
    else
      code = sqlite3_bind_int64(raw, index, std::get<std::int64_t>(params[i]));
    if (code != SQLITE_OK) return Fail();
  }
  for (;;) {
    const int code = sqlite3_step(raw);
    if (code == SQLITE_DONE) return true;
    if (code != SQLITE_ROW) return Fail();
    if (rows == nullptr) continue;
    SqlRow row;
    const int columns = sqlite3_column_count(raw);
    for (int c = 0; c < columns; ++c) {
      if (sqlite3_column_type(raw, c) == SQLITE_BLOB) {
        const void* data = sqlite3_column_blob(raw, c);
        row.emplace_back(static_cast<const char*>(data), static_cast<std::size_t>(sqlite3_column_bytes(raw, c)));
      } else {
        const unsigned char* text = sqlite3_column_text(raw, c);
        row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "",
                         static_cast<std::size_t>(sqlite3_column_bytes(raw, c)));
      }
    }
    rows->push_back(std::move(row));
  }
}

void SqliteConnection::Rollback() {
  if (sqlite3_get_autocommit(db_) != 0) return;  // no transaction open (SQLite ended it)
  const std::string kept = error_;
  const bool keptRetryable = retryable_;
  Exec("ROLLBACK", {}, nullptr);
  error_ = kept;
  retryable_ = keptRetryable;
}

bool SqliteConnection::TableExists(std::string_view table, bool& exists) {
  std::vector<SqlRow> rows;
  // The store's own table names only: plain words.
  if (!Exec("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '" + std::string(table) + "'", {}, &rows))
    return false;
  exists = !rows.empty();
  return true;
}

}  // namespace t418
