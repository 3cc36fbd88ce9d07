#pragma once
// The record store in a SQLite file: for one station, or several processes on
// one computer (writers wait for each other).
#include <memory>
#include <string>

#include "records/sql_record_store.h"

namespace t418 {

class SqliteRecordStore final : public SqlRecordStore {
 public:
  // Opens or creates the file and brings its schema up to date; null with the reason in error.
  static std::unique_ptr<SqliteRecordStore> Open(const std::string& path, StoreError& error);

 private:
  using SqlRecordStore::SqlRecordStore;
};

}  // namespace t418
