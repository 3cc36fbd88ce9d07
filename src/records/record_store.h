#pragma once
// The records of a production line in a database: one SQLite file for a single
// station, or a PostgreSQL server shared by many. Both keep the same versioned
// schema, write each record in one transaction, and guard against two
// different terminals carrying one identity (IMEI/MEID or ICCID). Every
// failure is a value: a one-line English text, never an exception or a crash.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/provision_record.h"

namespace t418 {

// What a failed call of the store says; empty when it worked.
using StoreError = std::string;

// A station claims a terminal's identity before anything is written to it.
struct ClaimRequest {
  TerminalIdentity identity;
  std::string station;
  std::string slot;
  RecordTime at{};
  bool allowDuplicates = false;  // a recorded identity of another terminal does not stop the claim
};

enum class ClaimOutcome {
  Granted,     // go on: this is attempt `attempt` of this terminal
  Duplicate,   // another terminal holds the IMEI/MEID or the ICCID: `text` says which
  NoIdentity,  // the terminal reported no modem id or no ICCID: `text` says which
  Failed,      // the store failed: `text` says why
};

struct ClaimResult {
  ClaimOutcome outcome = ClaimOutcome::Failed;
  int attempt = 0;   // Granted: 1 for a new terminal, N+1 for the Nth rework
  std::string text;  // why it was not granted; Granted with duplicates allowed: the duplicate let through
};

// Which records to list; empty fields do not filter. Newest first.
struct RecordQuery {
  std::string modemId;  // matches the IMEI or the MEID
  std::string iccid;
  std::string serialNumber;
  std::optional<RecordTime> since;  // started at or after
  std::string station;
  bool failedOnly = false;
  int last = 0;  // at most this many (the newest); 0: all
};

// The runs of one station on one UTC day.
struct StationDayStats {
  std::string station;
  std::string day;  // "YYYY-MM-DD", UTC
  int passed = 0;
  int failed = 0;
  std::map<std::string, int> failedBySteps;  // failed step -> count
  // Of the passed runs: the median (the mean of the middle two for an even
  // count) and the 95th percentile (nearest rank); 0 without passed runs.
  std::chrono::milliseconds medianDuration{0};
  std::chrono::milliseconds p95Duration{0};
  bool operator==(const StationDayStats&) const = default;
};

class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // Claims the terminal's identity for the station (see ClaimOutcome).
  virtual ClaimResult Claim(const ClaimRequest& request) = 0;
  // Adds the record whole or not at all; sets its id.
  virtual StoreError Add(ProvisionRecord& record) = 0;
  // The records the query selects, newest first.
  virtual StoreError Find(const RecordQuery& query, std::vector<ProvisionRecord>& records) = 0;
  // Per station and UTC day (ordered by station, then day) of the records the query selects
  // (its `last` is ignored).
  virtual StoreError Stats(const RecordQuery& query, std::vector<StationDayStats>& stats) = 0;
  // Where the records are, as the log shows it (no password).
  virtual const std::string& Where() const = 0;
};

// The schema version this program writes.
constexpr int kRecordSchemaVersion = 2;

enum class RecordBackend { Sqlite, Postgres };

// PostgreSQL for a "postgresql://" or "postgres://" address or a key=value
// connection string with "dbname=" or "host="; a SQLite file path otherwise.
RecordBackend RecordBackendOf(const std::string& target);

// Opens (creating or migrating the schema) the store the target names; null
// with the reason in `error` when it cannot be used.
std::unique_ptr<RecordStore> OpenRecordStore(const std::string& target, StoreError& error);

}  // namespace t418
