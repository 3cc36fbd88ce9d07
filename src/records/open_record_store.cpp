#include "records/postgres_record_store.h"
#include "records/record_store.h"
#include "records/sqlite_record_store.h"

namespace t418 {

RecordBackend RecordBackendOf(const std::string& target) {
  if (target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0) return RecordBackend::Postgres;
  // A key=value connection string names its database or server; a file path holds neither.
  const bool keyValue = target.find('=') != std::string::npos;
  if (keyValue && (target.find("dbname=") != std::string::npos || target.find("host=") != std::string::npos))
    return RecordBackend::Postgres;
  return RecordBackend::Sqlite;
}

std::unique_ptr<RecordStore> OpenRecordStore(const std::string& target, StoreError& error) {
  if (target.empty()) {
    error = "no records database given";
    return nullptr;
  }
  if (RecordBackendOf(target) == RecordBackend::Postgres) return PostgresRecordStore::Open(target, error);
  return SqliteRecordStore::Open(target, error);
}

}  // namespace t418
