// t418ctl records: what the records database holds, as a table, CSV or JSON,
// and its statistics per station and day.
#include <cstdio>
#include <string>
#include <vector>

#include "ctl/console_view.h"
#include "ctl/json_output.h"
#include "ctl/station_records.h"
#include "ctl/text_table.h"
#include "records/record_csv.h"
#include "records/record_stats.h"
#include "records/record_store.h"
#include "text/gbk.h"

namespace t418::ctl {
namespace {

using std::chrono::milliseconds;

// "YYYY-MM-DD", optionally followed by " HH:MM" or "THH:MM", optionally ":SS", optionally "Z"; UTC.
std::optional<RecordTime> ParseSince(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char separator = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) != 3 || used != 10) return std::nullopt;
  std::string rest = text.substr(10);
  if (!rest.empty() && rest.back() == 'Z') rest.pop_back();
  if (!rest.empty()) {
    int consumed = 0;
    if (std::sscanf(rest.c_str(), "%c%2d:%2d%n", &separator, &hour, &minute, &consumed) != 3 ||
        (separator != ' ' && separator != 'T') || consumed != 6)
      return std::nullopt;
    rest.erase(0, 6);
    if (!rest.empty() && (std::sscanf(rest.c_str(), ":%2d%n", &second, &consumed) != 1 || consumed != 3 ||
                          rest.size() != 3))
      return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return std::chrono::sys_days(date) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
         std::chrono::seconds(second);
}

std::string Seconds(milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

std::string OrDash(const std::string& gbk) { return gbk.empty() ? "-" : ForTerminal(gbk); }


std::string RecordResult(const ProvisionRecord& r) {
  if (r.ok) return "ok";
  return "failed at " + r.failedStep + (r.reason.empty() ? "" : ": " + r.reason);
}

std::string RecordsTable(const std::vector<ProvisionRecord>& records) {
  std::vector<std::vector<std::string>> rows = {
      {"STARTED", "STATION", "SLOT", "OPERATOR", "PORT", "IMEI/MEID", "ICCID", "SN", "ATTEMPT", "RESULT", "TIME"}};
  for (const auto& r : records)
    rows.push_back({UtcTimeText(r.startedAt), OrDash(r.station), OrDash(r.slot), OrDash(r.operatorName), OrDash(r.port),
                    OrDash(r.ModemId()), OrDash(r.iccid), OrDash(r.serialNumber), std::to_string(r.attempt),
                    ForTerminal(RecordResult(r)) + (r.duplicatesAllowed ? " (duplicates allowed)" : ""),
                    Seconds(r.duration)});
  return TextTable(rows);
}

nlohmann::json RecordJson(const ProvisionRecord& r) {
  return {{"id", r.id},
          {"startedAt", UtcTimeText(r.startedAt)},
          {"station", JsonText(r.station)},
          {"slot", JsonText(r.slot)},
          {"operator", JsonText(r.operatorName)},
          {"port", JsonText(r.port)},
          {"imei", JsonText(r.imei)},
          {"meid", JsonText(r.meid)},
          {"iccid", JsonText(r.iccid)},
          {"serialNumber", JsonText(r.serialNumber)},
          {"attempt", r.attempt},
          {"result", r.ok ? "ok" : "failed"},
          {"failedStep", r.ok ? nlohmann::json(nullptr) : nlohmann::json(JsonText(r.failedStep))},
          {"failure", JsonText(r.failure)},
          {"reason", JsonText(r.reason)},
          {"seconds", static_cast<double>(r.duration.count()) / 1000.0},
          {"firmwareBefore", JsonText(r.versionBefore)},
          {"firmwareAfter", JsonText(r.versionAfter)},
          {"configFile", JsonText(r.configFile)},
          {"configSha256", JsonText(r.configSha256)},
          {"settingsSent", r.settingsSent},
          {"refused", JsonTexts(r.refused)},
          {"differences", JsonTexts(r.differences)},
          {"notCompared", JsonTexts(r.notCompared)},
          {"trafficLog", JsonText(r.trafficLog)},
          {"duplicatesAllowed", r.duplicatesAllowed}};
}

std::string StepCounts(const std::map<std::string, int>& steps, const char* separator) {
  std::string text;
  for (const auto& [step, count] : steps)
    text += (text.empty() ? "" : separator) + ForTerminal(step) + " " + std::to_string(count);
  return text;
}

void PrintStats(const std::vector<StationDayStats>& stats, RecordsQueryOptions::Format format) {
  if (format == RecordsQueryOptions::Format::Json) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& s : stats) {
      nlohmann::json steps = nlohmann::json::object();
      for (const auto& [step, count] : s.failedBySteps) steps[ForTerminal(step)] = count;
      list.push_back({{"station", JsonText(s.station)},
                      {"day", s.day},
                      {"passed", s.passed},
                      {"failed", s.failed},
                      {"failedBySteps", steps},
                      {"medianSeconds", static_cast<double>(s.medianDuration.count()) / 1000.0},
                      {"p95Seconds", static_cast<double>(s.p95Duration.count()) / 1000.0}});
    }
    PrintJson(list);
    return;
  }
  if (format == RecordsQueryOptions::Format::Csv) {
    std::string csv = "station,day,passed,failed,failed_by_step,median_seconds,p95_seconds\r\n";
    for (const auto& s : stats) {
      char times[64];
      std::snprintf(times, sizeof times, "%.3f,%.3f", static_cast<double>(s.medianDuration.count()) / 1000.0,
                    static_cast<double>(s.p95Duration.count()) / 1000.0);
      std::string station = ForTerminal(s.station);
      if (station.find_first_of(",\"\r\n") != std::string::npos) {
        std::string quoted = "\"";
        for (const char c : station) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        station = quoted + "\"";
      }
      csv += station + "," + s.day + "," + std::to_string(s.passed) + "," + std::to_string(s.failed) + "," +
             StepCounts(s.failedBySteps, "; ") + "," + times + "\r\n";
    }
    Print(stdout, "%s", csv.c_str());
    return;
  }
  std::vector<std::vector<std::string>> rows = {
      {"STATION", "DAY", "PASSED", "FAILED", "FAILED BY STEP", "MEDIAN", "P95"}};
  for (const auto& s : stats)
    rows.push_back({OrDash(s.station), s.day, std::to_string(s.passed), std::to_string(s.failed),
                    s.failedBySteps.empty() ? "-" : StepCounts(s.failedBySteps, ", "), Seconds(s.medianDuration),
                    Seconds(s.p95Duration)});
  Print(stdout, "%s", TextTable(rows).c_str());
}

}  // namespace

ExitCode RunRecordsCommand(const RecordsQueryOptions& options) {
  RecordQuery query;
  query.modemId = Utf8ToGbk(options.imei);
  query.iccid = Utf8ToGbk(options.iccid);
  query.serialNumber = Utf8ToGbk(options.serialNumber);
  query.station = Utf8ToGbk(options.station);
  query.failedOnly = options.failedOnly;
  query.last = options.last;
  if (!options.since.empty()) {
    query.since = ParseSince(options.since);
    if (!query.since) {
      Print(stderr, "t418ctl: --since %s: give a date (2026-01-02) or a date and time (2026-01-02T03:04[:05]), UTC\n",
            options.since.c_str());
      return kExitUsage;
    }
  }
  StoreError error;
  auto store = OpenRecordStore(options.target, error);
  if (store == nullptr) {
    Print(stderr, "t418ctl: cannot use the records database: %s\n", error.c_str());
    return kExitRecordsUnusable;
  }
  if (options.stats) {
    std::vector<StationDayStats> stats;
    if (const StoreError failed = store->Stats(query, stats); !failed.empty()) {
      Print(stderr, "t418ctl: %s\n", failed.c_str());
      return kExitRecordsUnusable;
    }
    PrintStats(stats, options.format);
    return kExitOk;
  }
  std::vector<ProvisionRecord> records;
  if (const StoreError failed = store->Find(query, records); !failed.empty()) {
    Print(stderr, "t418ctl: %s\n", failed.c_str());
    return kExitRecordsUnusable;
  }
  switch (options.format) {
    case RecordsQueryOptions::Format::Csv: Print(stdout, "%s", RecordsCsv(records).c_str()); break;
    case RecordsQueryOptions::Format::Json: {
      nlohmann::json list = nlohmann::json::array();
      for (const auto& record : records) list.push_back(RecordJson(record));
      PrintJson(list);
      break;
    }
    case RecordsQueryOptions::Format::Table:
      if (records.empty())
        Print(stderr, "t418ctl: no records match\n");
      else
        Print(stdout, "%s", RecordsTable(records).c_str());
      break;
  }
  return kExitOk;
}

}  // namespace t418::ctl
