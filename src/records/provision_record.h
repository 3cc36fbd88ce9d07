#pragma once
// What the provisioning of one terminal at a station leaves behind: the job's
// result (identity, outcome, firmware versions, configuration) and where, when,
// by whom and how often it was done. Texts are GBK bytes, kept as given.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "production/terminal_job.h"

namespace t418 {

using RecordTime = std::chrono::sys_time<std::chrono::milliseconds>;  // UTC

struct ProvisionRecord {
  std::int64_t id = 0;  // given by the store when the record is added
  // Where and by whom.
  std::string station;
  std::string slot;          // may be empty
  std::string operatorName;  // may be empty
  std::string port;
  // The terminal.
  std::string imei;
  std::string meid;
  std::string iccid;
  std::string serialNumber;  // the terminal's "SN" report; may be empty
  int attempt = 1;           // 1 for a first run, N+1 for a rework
  // The run.
  RecordTime startedAt{};
  std::chrono::milliseconds duration{0};
  bool ok = false;
  std::string failedStep;  // "open", "read", ...; empty when ok
  std::string failure;     // the kind of failure as a word ("no-reply", ...); empty when ok
  std::string reason;      // English: why it failed
  std::string versionBefore;
  std::string versionAfter;
  std::string configFile;
  std::string configSha256;
  int settingsSent = 0;
  std::vector<std::string> refused;      // command names the terminal refused
  std::vector<std::string> differences;  // setting lines the terminal does not hold, without line end
  std::vector<std::string> notCompared;  // settings the read does not report
  std::string trafficLog;                // path of the run's traffic log; may be empty
  bool duplicatesAllowed = false;        // the station let duplicate identities through

  // IMEI, else MEID.
  const std::string& ModemId() const { return imei.empty() ? meid : imei; }
  bool operator==(const ProvisionRecord&) const = default;
};

// The kind of a job's failure as a short word ("no-reply", "port-busy"...); empty for none.
const char* JobFailureWord(JobFailure failure);

// The job's part of a record (with the serial number it read); the station's
// part (station, slot, operator, attempt, start time, traffic log, duplicates)
// is the caller's.
ProvisionRecord RecordOfJob(const JobResult& result);

}  // namespace t418
