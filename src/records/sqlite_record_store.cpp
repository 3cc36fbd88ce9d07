#include "records/sqlite_record_store.h"

#include "records/record_schema.h"
#include "records/sqlite_connection.h"

namespace t418 {

std::unique_ptr<SqliteRecordStore> SqliteRecordStore::Open(const std::string& path, StoreError& error) {
  std::string reason;
  auto connection = SqliteConnection::Open(path, reason);
  if (connection == nullptr) {
    error = "cannot use the records file " + path + ": " + reason;
    return nullptr;
  }
  reason = MigrateRecordSchema(*connection);
  if (!reason.empty()) {
    error = "cannot use the records file " + path + ": " + reason;
    return nullptr;
  }
  return std::unique_ptr<SqliteRecordStore>(new SqliteRecordStore(std::move(connection), path));
}

}  // namespace t418
