#pragma once
// The records database of a run (--db): opened before any port is touched, it
// claims each terminal's identity before anything is written to it and keeps
// one record per terminal run. The Windows build has no records library: there
// --db is refused.
#include <chrono>
#include <memory>
#include <string>

#include "ctl/exit_codes.h"
#include "production/terminal_job.h"

namespace t418::ctl {

struct RecordsOptions {
  std::string target;          // --db: a SQLite file or a PostgreSQL connection string; empty: no records
  std::string station;         // --station (UTF-8); empty: the computer's name
  std::string operatorName;    // --operator (UTF-8)
  bool allowDuplicates = false;
  std::string slotsFile;       // --slots; empty: no slot names
};

// Where and when one terminal run happened, for its record.
struct RunPlace {
  std::string slot;  // may be empty
  std::chrono::system_clock::time_point startedAt{};
  std::string trafficLog;  // may be empty
};

class StationRecords {
 public:
  // Opens the store the options name. Null when it cannot be used, after a
  // message on standard error; `code` then says why (kExitRecordsUnusable, or
  // kExitUsage where this build has no records).
  static std::unique_ptr<StationRecords> Open(const RecordsOptions& options, ExitCode& code);

  virtual ~StationRecords() = default;
  // Claims the identity of a terminal about to be written in the slot; when
  // granted, `attempt` is this run's number for the terminal.
  virtual WriteClearance Claim(const TerminalIdentity& identity, const std::string& slot, int& attempt) = 0;
  // Adds the record of a finished run (attempt 0: no claim was made); empty, or why it failed.
  virtual std::string Add(const JobResult& result, const RunPlace& place, int attempt) = 0;
  // The station and operator the records carry (GBK), and where they go.
  virtual const std::string& Station() const = 0;
  virtual const std::string& Operator() const = 0;
  virtual const std::string& Where() const = 0;
};

// The `records` command: the records that match, as a table, CSV or JSON, or
// their statistics per station and day.
struct RecordsQueryOptions {
  std::string target;
  std::string imei;  // IMEI or MEID
  std::string iccid;
  std::string serialNumber;
  std::string since;  // "YYYY-MM-DD" or "YYYY-MM-DD HH:MM[:SS]" (or with a T), UTC
  std::string station;
  bool failedOnly = false;
  int last = 0;
  enum class Format { Table, Csv, Json } format = Format::Table;
  bool stats = false;
};
ExitCode RunRecordsCommand(const RecordsQueryOptions& options);

}  // namespace t418::ctl
