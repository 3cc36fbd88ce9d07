#pragma once
// What a run keeps of its terminals beyond their results: the slot each port
// is plugged into (--slots) and, with --db, the claim of each terminal's
// identity before it is written and one record per terminal in the database.
// Every call is on the run's loop thread; the store's calls are short.
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ctl/exit_codes.h"
#include "ctl/station_records.h"
#include "production/slot_map.h"
#include "production/terminal_job.h"

namespace t418::ctl {

class RunRecorder {
 public:
  // Reads the slots file and opens the records database, before any port is
  // touched. Null when either cannot be used (the message is out; `code` says why).
  static std::unique_ptr<RunRecorder> Prepare(const RecordsOptions& options, ExitCode& code);

  bool HasRecords() const { return records_ != nullptr; }
  bool HasSlots() const { return slots_.has_value(); }

  // The slot of a port: the name the slots file gives its place, else its place; "" without a slots file.
  std::string SlotOf(const std::string& port) const;
  // The slot as a part of a file name: only the name the slots file gives, made safe; "" for none.
  std::string SlotFileName(const std::string& port) const;

  // With records, the job claims its terminal's identity before the first write.
  void Guard(TerminalJob& job, const std::string& slot);
  // Records the finished run of a port (with records): false, after a message,
  // when the store did not take it.
  bool Record(const JobResult& result, const RunPlace& place);
  // The attempt the claim of the port's terminal gave; 0 when none was granted.
  int AttemptOf(const std::string& port) const;

  // The fields a JSON record of the port's run gains: slot, station, operator, attempt.
  void AddJsonFields(nlohmann::json& record, const std::string& port, const std::string& slot) const;

  // Whether the store failed to take a record of this run.
  bool AnyRecordLost() const { return recordsLost_ > 0; }
  // With records: what the run's store calls came to, e.g. "records database: 32 records kept,
  // 0.041 s in its calls" (the loop waits on each call, so this is the time it took from the run).
  std::string Summary() const;

 private:
  RunRecorder() = default;

  std::optional<SlotMap> slots_;
  std::unique_ptr<StationRecords> records_;
  std::map<std::string, int> attempts_;  // port -> the attempt of its last granted claim
  int recordsLost_ = 0;
  int recordsKept_ = 0;
  std::chrono::steady_clock::duration storeTime_{};  // in Claim and Add
};

}  // namespace t418::ctl
