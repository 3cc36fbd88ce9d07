#include "records/postgres_connection.h"

#include <libpq-fe.h>

#include <cstring>

namespace t418 {

namespace {

// libpq's type numbers for the parameters (from the server's catalogue).
constexpr Oid kByteaType = 17;
constexpr Oid kInt8Type = 20;

// Seconds to wait for a server that does not answer, unless the connection string says otherwise.
constexpr const char* kConnectTimeout = "10";

void IgnoreNotice(void*, const char*) {}

struct ResultHolder {
  PGresult* result;
  ~ResultHolder() { PQclear(result); }
};

}  // namespace

std::string FirstLine(const char* message) {
  std::string text = message != nullptr ? message : "";
  const auto start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return "no reason given";
  text.erase(0, start);
  const auto end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.erase(end);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

PostgresConnection::~PostgresConnection() { PQfinish(conn_); }

std::unique_ptr<PostgresConnection> PostgresConnection::Open(const std::string& conninfo, std::string& error) {
  // The connection string comes after the default time-out, so that its own one wins.
  const char* keywords[] = {"connect_timeout", "dbname", nullptr};
  const char* values[] = {kConnectTimeout, conninfo.c_str(), nullptr};
  pg_conn* conn = PQconnectdbParams(keywords, values, 1);
  if (conn == nullptr) {
    error = "out of memory";
    return nullptr;
  }
  if (PQstatus(conn) != CONNECTION_OK) {
    error = FirstLine(PQerrorMessage(conn));
    PQfinish(conn);
    return nullptr;
  }
  PQsetNoticeProcessor(conn, IgnoreNotice, nullptr);
  return std::unique_ptr<PostgresConnection>(new PostgresConnection(conn));
}

std::string PostgresConnection::Where() const {
  const char* user = PQuser(conn_);
  const char* host = PQhost(conn_);
  const char* db = PQdb(conn_);
  return std::string(user != nullptr ? user : "") + "@" + (host != nullptr ? host : "") + "/" + (db != nullptr ? db : "");
}

bool PostgresConnection::Lost() const { return PQstatus(conn_) == CONNECTION_BAD; }

bool PostgresConnection::Ready() {
  if (!Lost()) return true;
  PQreset(conn_);
  if (!Lost()) {
    PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
    return true;
  }
  error_ = "the connection to the records server was lost and cannot be made again: " +
           FirstLine(PQerrorMessage(conn_));
  retryable_ = false;
  return false;
}

bool PostgresConnection::Exec(std::string_view sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows) {
  retryable_ = false;
  std::vector<Oid> types;
  std::vector<std::string> numbers;  // the integers as text, alive during the call
  numbers.reserve(params.size());
  std::vector<const char*> values;
  std::vector<int> lengths;
  std::vector<int> formats;
  for (const auto& param : params) {
    if (const auto* bytes = std::get_if<std::string>(&param)) {
      types.push_back(kByteaType);
      values.push_back(bytes->data());
      lengths.push_back(static_cast<int>(bytes->size()));
      formats.push_back(1);
    } else {
      numbers.push_back(std::to_string(std::get<std::int64_t>(param)));
      types.push_back(kInt8Type);
      values.push_back(numbers.back().c_str());
      lengths.push_back(0);
      formats.push_back(0);
    }
  }
  const std::string statement(sql);
  ResultHolder result{PQexecParams(conn_, statement.c_str(), static_cast<int>(params.size()), types.data(),
                                   values.data(), lengths.data(), formats.data(), 0)};
  const ExecStatusType status = PQresultStatus(result.result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    if (Lost()) {
      error_ = "the connection to the records server was lost: " + FirstLine(PQerrorMessage(conn_));
      return false;
    }
    const char* state = PQresultErrorField(result.result, PG_DIAG_SQLSTATE);
    // Serialisation failure, deadlock: the other writer won this time.
    retryable_ = state != nullptr && (std::strcmp(state, "40001") == 0 || std::strcmp(state, "40P01") == 0);
    error_ = FirstLine(result.result != nullptr ? PQresultErrorMessage(result.result) : PQerrorMessage(conn_));
    return false;
  }
  if (rows == nullptr) return true;
  const int count = PQntuples(result.result);
  const int columns = PQnfields(result.result);
  for (int r = 0; r < count; ++r) {
    SqlRow row;
    for (int c = 0; c < columns; ++c) {
      if (PQgetisnull(result.result, r, c) != 0) {
        row.emplace_back();
      } else if (PQftype(result.result, c) == kByteaType) {
        std::size_t size = 0;
        unsigned char* bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(result.result, r, c)), &size);
        if (bytes == nullptr) {
          error_ = "out of memory reading a result";
          return false;
        }
        row.emplace_back(reinterpret_cast<const char*>(bytes), size);
        PQfreemem(bytes);
      } else {
        row.emplace_back(PQgetvalue(result.result, r, c), static_cast<std::size_t>(PQgetlength(result.result, r, c)));
      }
    }
    rows->push_back(std::move(row));
  }
  return true;
}

void PostgresConnection::Rollback() {
  if (Lost() || PQtransactionStatus(conn_) == PQTRANS_IDLE) return;
  const std::string kept = error_;
  const bool keptRetryable = retryable_;
  Exec("ROLLBACK", {}, nullptr);
  error_ = kept;
  retryable_ = keptRetryable;
}

bool PostgresConnection::TableExists(std::string_view table, bool& exists) {
  std::vector<SqlRow> rows;
  // The store's own table names only: plain words.
  if (!Exec("SELECT to_regclass('" + std::string(table) + "') IS NOT NULL", {}, &rows)) return false;
  exists = !rows.empty() && !rows[0].empty() && rows[0][0] == "t";
  return true;
}

}  // namespace t418
