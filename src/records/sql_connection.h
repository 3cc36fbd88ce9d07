#pragma once
// The little of a database connection the record store needs, the same on
// SQLite and PostgreSQL: statements with numbered parameters ($1, $2...),
// texts as bytes (BLOB, bytea) and integers, every value of a result as bytes
// (integers in decimal), transactions, and failures as text.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace t418 {

using SqlValue = std::variant<std::string, std::int64_t>;  // bytes or an integer
using SqlRow = std::vector<std::string>;

enum class SqlDialect { Sqlite, Postgres };

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;

  virtual SqlDialect Dialect() const = 0;
  // Makes sure the connection can be used (a lost server connection is made
  // again); false with Error() when it cannot.
  virtual bool Ready() = 0;
  // Runs one statement; its rows (if asked for) into rows. False with Error().
  virtual bool Exec(std::string_view sql, const std::vector<SqlValue>& params = {},
                    std::vector<SqlRow>* rows = nullptr) = 0;
  // A transaction that writes: other writers wait until it ends.
  virtual bool Begin() = 0;
  bool Commit() { return Exec("COMMIT"); }
  // Ends a failed transaction; a failure to do so only shows in Error().
  virtual void Rollback() = 0;
  // Whether the table exists (in the connection's schema).
  virtual bool TableExists(std::string_view table, bool& exists) = 0;
  // The last failure ended in a conflict with another writer: trying again may work.
  virtual bool Retryable() const = 0;
  // The last failure, one line.
  virtual const std::string& Error() const = 0;
};

}  // namespace t418
