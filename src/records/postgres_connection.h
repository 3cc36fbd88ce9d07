#pragma once
// SqlConnection to a PostgreSQL server through libpq. A connection that was
// lost is made again before the next statement.
#include <memory>
#include <string>

#include "records/sql_connection.h"

struct pg_conn;

namespace t418 {

class PostgresConnection final : public SqlConnection {
 public:
  ~PostgresConnection() override;
  // Connects with a libpq connection string ("postgresql://..." or key=value);
  // null with the reason in error.
  static std::unique_ptr<PostgresConnection> Open(const std::string& conninfo, std::string& error);

  SqlDialect Dialect() const override { return SqlDialect::Postgres; }
  bool Ready() override;
  bool Exec(std::string_view sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows) override;
  bool Begin() override { return Exec("BEGIN", {}, nullptr); }
  void Rollback() override;
  bool TableExists(std::string_view table, bool& exists) override;
  bool Retryable() const override { return retryable_; }
  const std::string& Error() const override { return error_; }

  // The server's name for where the records are: user@host/database (no password).
  std::string Where() const;

 private:
  explicit PostgresConnection(pg_conn* conn) : conn_(conn) {}
  bool Lost() const;

  pg_conn* conn_;
  std::string error_;
  bool retryable_ = false;
};

// The first line of a libpq message, without its trailing blanks.
std::string FirstLine(const char* message);

}  // namespace t418
