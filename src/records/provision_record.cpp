#include "records/provision_record.h"

namespace t418 {

const char* JobFailureWord(JobFailure failure) {
  switch (failure) {
    case JobFailure::None: return "";
    case JobFailure::NoSuchPort: return "no-such-port";
    case JobFailure::Permission: return "permission";
    case JobFailure::PortBusy: return "port-busy";
    case JobFailure::OpenFailed: return "open-failed";
    case JobFailure::NoReply: return "no-reply";
    case JobFailure::Refused: return "refused";
    case JobFailure::PortLost: return "port-lost";
    case JobFailure::BadConfigFile: return "bad-config-file";
    case JobFailure::ConfigRefused: return "config-refused";
    case JobFailure::Differences: return "differences";
    case JobFailure::NoFirmwareFile: return "no-firmware-file";
    case JobFailure::NoBootLoader: return "no-boot-loader";
    case JobFailure::TransferStopped: return "transfer-stopped";
    case JobFailure::NoVersion: return "no-version";
    case JobFailure::Interrupted: return "interrupted";
    case JobFailure::Duplicate: return "duplicate";
    case JobFailure::Unguarded: return "unguarded";
  }
  return "unknown";
}

namespace {

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

}  // namespace

ProvisionRecord RecordOfJob(const JobResult& result) {
  ProvisionRecord record;
  record.port = result.port;
  record.imei = result.identity.imei;
  record.meid = result.identity.meid;
  record.iccid = result.identity.iccid;
  record.serialNumber = result.identity.serialNumber;
  record.duration = result.duration;
  record.ok = result.Ok();
  if (!record.ok) record.failedStep = JobStepName(result.failedStep);
  record.failure = JobFailureWord(result.failure);
  record.reason = result.reason;
  record.versionBefore = result.versionBefore;
  record.versionAfter = result.versionAfter;
  record.configFile = result.configFile;
  record.configSha256 = result.configSha256;
  record.settingsSent = result.settingsSent;
  record.refused = result.refusedNames;
  for (const auto& line : result.differences) record.differences.push_back(WithoutLineEnd(line));
  record.notCompared = result.notCompared;
  return record;
}

}  // namespace t418
