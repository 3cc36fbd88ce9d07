#pragma once
// The record store on a PostgreSQL server: for many stations at once.
#include <memory>
#include <string>

#include "records/sql_record_store.h"

namespace t418 {

class PostgresRecordStore final : public SqlRecordStore {
 public:
  // Connects with a libpq connection string and brings the schema up to date;
  // null with the reason in error.
  static std::unique_ptr<PostgresRecordStore> Open(const std::string& conninfo, StoreError& error);

 private:
  using SqlRecordStore::SqlRecordStore;
};

}  // namespace t418
