#pragma once
// SqlConnection on a SQLite file: write-ahead log, writers wait for each other
// (also across processes) rather than fail.
#include <memory>
#include <string>

#include "records/sql_connection.h"

struct sqlite3;

namespace t418 {

class SqliteConnection final : public SqlConnection {
 public:
  ~SqliteConnection() override;
  // Opens (creating) the file; null with the reason in error.
  static std::unique_ptr<SqliteConnection> Open(const std::string& path, std::string& error);

  SqlDialect Dialect() const override { return SqlDialect::Sqlite; }
  bool Ready() override { return true; }
  bool Exec(std::string_view sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows) override;
  bool Begin() override { return Exec("BEGIN IMMEDIATE", {}, nullptr); }
  void Rollback() override;
  bool TableExists(std::string_view table, bool& exists) override;
  bool Retryable() const override { return retryable_; }
  const std::string& Error() const override { return error_; }

 private:
  explicit SqliteConnection(sqlite3* db) : db_(db) {}
  bool Fail();

  sqlite3* db_;
  std::string error_;
  bool retryable_ = false;
};

}  // namespace t418
