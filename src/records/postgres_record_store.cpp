#include "records/postgres_record_store.h"

#include "records/postgres_connection.h"
#include "records/record_schema.h"

namespace t418 {

std::unique_ptr<PostgresRecordStore> PostgresRecordStore::Open(const std::string& conninfo, StoreError& error) {
  std::string reason;
  auto connection = PostgresConnection::Open(conninfo, reason);
  if (connection == nullptr) {
    error = "cannot connect to the records server: " + reason;
    return nullptr;
  }
  const std::string where = connection->Where();
  reason = MigrateRecordSchema(*connection);
  if (!reason.empty()) {
    error = "cannot use the records database " + where + ": " + reason;
    return nullptr;
  }
  return std::unique_ptr<PostgresRecordStore>(new PostgresRecordStore(std::move(connection), where));
}

}  // namespace t418
