#pragma once
// The record store over any SqlConnection: the one implementation of claims,
// records, queries and statistics that both backends share.
#include <memory>
#include <string>

#include "records/record_store.h"
#include "records/sql_connection.h"

namespace t418 {

class SqlRecordStore : public RecordStore {
 public:
  ClaimResult Claim(const ClaimRequest& request) override;
  StoreError Add(ProvisionRecord& record) override;
  StoreError Find(const RecordQuery& query, std::vector<ProvisionRecord>& records) override;
  StoreError Stats(const RecordQuery& query, std::vector<StationDayStats>& stats) override;
  const std::string& Where() const override { return where_; }

 protected:
  // Takes a connection whose schema is already current.
  SqlRecordStore(std::unique_ptr<SqlConnection> connection, std::string where)
      : connection_(std::move(connection)), where_(std::move(where)) {}

 private:
  // One try of a claim inside a transaction; false when the transaction failed.
  bool TryClaim(const ClaimRequest& request, ClaimResult& result);
  // The text of a failed call: what was done, and the connection's reason.
  std::string Failure(const std::string& what) const;

  std::unique_ptr<SqlConnection> connection_;
  std::string where_;
};

}  // namespace t418
