#include "records/record_csv.h"

#include <cstdio>

#include "records/record_stats.h"
#include "text/gbk.h"

namespace t418 {

namespace {

constexpr const char* kHeader =
    "started_at,station,slot,operator,port,imei,meid,iccid,serial_number,attempt,result,failed_step,failure,reason,"
    "seconds,firmware_before,firmware_after,config_file,config_sha256,settings_sent,refused,differences,not_compared,"
    "traffic_log,duplicates_allowed";

std::string Field(const std::string& utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (const char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Text(const std::string& gbk) { return Field(GbkToUtf8(gbk)); }

std::string List(const std::vector<std::string>& gbk) {
  std::string joined;
  for (std::size_t i = 0; i < gbk.size(); ++i) joined += (i == 0 ? "" : "; ") + gbk[i];
  return Text(joined);
}

std::string Seconds(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

}  // namespace

std::string RecordsCsv(const std::vector<ProvisionRecord>& records) {
  std::string csv = std::string(kHeader) + "\r\n";
  for (const auto& r : records) {
    const std::string fields[] = {
        Field(UtcTimeText(r.startedAt)), Text(r.station), Text(r.slot), Text(r.operatorName), Text(r.port),
        Text(r.imei), Text(r.meid), Text(r.iccid), Text(r.serialNumber), std::to_string(r.attempt),
        r.ok ? "ok" : "failed", Text(r.failedStep), Text(r.failure), Text(r.reason), Seconds(r.duration),
        Text(r.versionBefore), Text(r.versionAfter), Text(r.configFile), Text(r.configSha256),
        std::to_string(r.settingsSent), List(r.refused), List(r.differences), List(r.notCompared), Text(r.trafficLog),
        r.duplicatesAllowed ? "yes" : "no"};
    for (std::size_t i = 0; i < std::size(fields); ++i) csv += (i == 0 ? "" : ",") + fields[i];
    csv += "\r\n";
  }
  return csv;
}

}  // namespace t418
