#include "records/postgres_record_store.h"
#include "records/record_store.h"
#include "records/sqlite_record_store.h"

namespace t418 {

namespace {

// Whether a key=value string holds this key as a word of its own ("host=", not "ghost=").
bool HasKey(const std::string& target, const std::string& key) {
  for (auto at = target.find(key); at != std::string::npos; at = target.find(key, at + 1))
    if (at == 0 || target[at - 1] == ' ' || target[at - 1] == '\t') return true;
  return false;
}

}  // namespace

RecordBackend RecordBackendOf(const std::string& target) {
  if (target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0) return RecordBackend::Postgres;
  // A key=value connection string names its database or server; a file path holds neither.
  if (HasKey(target, "dbname=") || HasKey(target, "host=")) return RecordBackend::Postgres;
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
