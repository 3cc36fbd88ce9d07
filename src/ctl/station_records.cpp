#include "ctl/station_records.h"

#include <cstdio>

#include "ctl/console_view.h"
#include "platform/host_name.h"
#include "records/record_store.h"
#include "text/gbk.h"

namespace t418::ctl {
namespace {

RecordTime RecordTimeOf(std::chrono::system_clock::time_point at) {
  return std::chrono::floor<std::chrono::milliseconds>(at);
}

class StoreRecords final : public StationRecords {
 public:
  StoreRecords(std::unique_ptr<RecordStore> store, const RecordsOptions& options)
      : store_(std::move(store)),
        station_(Utf8ToGbk(options.station.empty() ? platform::HostName() : options.station)),
        operator_(Utf8ToGbk(options.operatorName)),
        allowDuplicates_(options.allowDuplicates) {}

  WriteClearance Claim(const TerminalIdentity& identity, const std::string& slot, int& attempt) override {
    ClaimRequest request;
    request.identity = identity;
    request.station = station_;
    request.slot = slot;
    request.at = RecordTimeOf(std::chrono::system_clock::now());
    request.allowDuplicates = allowDuplicates_;
    const ClaimResult claim = store_->Claim(request);
    WriteClearance clearance;
    switch (claim.outcome) {
      case ClaimOutcome::Granted:
        attempt = claim.attempt;
        // A duplicate let through is said, so that the operator knows what the record will say.
        if (!claim.text.empty()) Print(stderr, "t418ctl: let through (--allow-duplicates): %s\n", ForTerminal(claim.text).c_str());
        return clearance;
      case ClaimOutcome::Duplicate: clearance.failure = JobFailure::Duplicate; break;
      case ClaimOutcome::NoIdentity:
      case ClaimOutcome::Failed: clearance.failure = JobFailure::Unguarded; break;
    }
    clearance.go = false;
    clearance.reason = claim.text;
    return clearance;
  }

  std::string Add(const JobResult& result, const RunPlace& place, int attempt) override {
    ProvisionRecord record = RecordOfJob(result);
    record.station = station_;
    record.slot = place.slot;
    record.operatorName = operator_;
    record.attempt = attempt;
    record.startedAt = RecordTimeOf(place.startedAt);
    record.trafficLog = Utf8ToGbk(place.trafficLog);
    record.duplicatesAllowed = allowDuplicates_;
    return store_->Add(record);
  }

  const std::string& Station() const override { return station_; }
  const std::string& Operator() const override { return operator_; }
  const std::string& Where() const override { return store_->Where(); }

 private:
  std::unique_ptr<RecordStore> store_;
  std::string station_;
  std::string operator_;
  bool allowDuplicates_;
};

}  // namespace

std::unique_ptr<StationRecords> StationRecords::Open(const RecordsOptions& options, ExitCode& code) {
  StoreError error;
  auto store = OpenRecordStore(options.target, error);
  if (store == nullptr) {
    Print(stderr, "t418ctl: cannot use the records database: %s\n", error.c_str());
    Print(stderr, "t418ctl: nothing was done: no terminal is provisioned without its record\n");
    code = kExitRecordsUnusable;
    return nullptr;
  }
  auto records = std::make_unique<StoreRecords>(std::move(store), options);
  if (records->Station().empty()) {
    Print(stderr, "t418ctl: this computer has no name to record as the station: give --station NAME\n");
    code = kExitUsage;
    return nullptr;
  }
  code = kExitOk;
  return records;
}

}  // namespace t418::ctl
