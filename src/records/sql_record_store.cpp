#include "records/sql_record_store.h"

#include <cstdlib>

#include "records/record_stats.h"

namespace t418 {

namespace {

constexpr std::int64_t kModemKind = 1;
constexpr std::int64_t kIccidKind = 2;
// Tries of a claim that lost a conflict with another writer.
constexpr int kClaimTries = 5;

constexpr const char* kColumns =
    "station, slot, operator_name, port, imei, meid, iccid, serial_number, attempt, started_at, duration_ms, ok, "
    "failed_step, failure, reason, version_before, version_after, config_file, config_sha256, settings_sent, refused, "
    "differences, not_compared, traffic_log, duplicates_allowed";
constexpr int kColumnCount = 25;

std::int64_t Number(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

std::int64_t Millis(RecordTime at) { return at.time_since_epoch().count(); }
RecordTime TimeOf(const std::string& text) { return RecordTime(std::chrono::milliseconds(Number(text))); }

// A list of lines in one value, one per line.
std::string Joined(const std::vector<std::string>& lines) {
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) joined += (i == 0 ? "" : "\n") + lines[i];
  return joined;
}

std::vector<std::string> Split(const std::string& joined) {
  std::vector<std::string> lines;
  if (joined.empty()) return lines;
  std::size_t start = 0;
  for (std::size_t end; (end = joined.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(joined.substr(start, end - start));
  lines.push_back(joined.substr(start));
  return lines;
}

std::vector<SqlValue> ValuesOf(const ProvisionRecord& r) {
  return {r.station,
          r.slot,
          r.operatorName,
          r.port,
          r.imei,
          r.meid,
          r.iccid,
          r.serialNumber,
          std::int64_t{r.attempt},
          Millis(r.startedAt),
          static_cast<std::int64_t>(r.duration.count()),
          std::int64_t{r.ok ? 1 : 0},
          r.failedStep,
          r.failure,
          r.reason,
          r.versionBefore,
          r.versionAfter,
          r.configFile,
          r.configSha256,
          std::int64_t{r.settingsSent},
          Joined(r.refused),
          Joined(r.differences),
          Joined(r.notCompared),
          r.trafficLog,
          std::int64_t{r.duplicatesAllowed ? 1 : 0}};
}

// A row of "id, kColumns".
ProvisionRecord RecordOfRow(const SqlRow& row) {
  ProvisionRecord r;
  std::size_t i = 0;
  r.id = Number(row[i++]);
  r.station = row[i++];
  r.slot = row[i++];
  r.operatorName = row[i++];
  r.port = row[i++];
  r.imei = row[i++];
  r.meid = row[i++];
  r.iccid = row[i++];
  r.serialNumber = row[i++];
  r.attempt = static_cast<int>(Number(row[i++]));
  r.startedAt = TimeOf(row[i++]);
  r.duration = std::chrono::milliseconds(Number(row[i++]));
  r.ok = Number(row[i++]) != 0;
  r.failedStep = row[i++];
  r.failure = row[i++];
  r.reason = row[i++];
  r.versionBefore = row[i++];
  r.versionAfter = row[i++];
  r.configFile = row[i++];
  r.configSha256 = row[i++];
  r.settingsSent = static_cast<int>(Number(row[i++]));
  r.refused = Split(row[i++]);
  r.differences = Split(row[i++]);
  r.notCompared = Split(row[i++]);
  r.trafficLog = row[i++];
  r.duplicatesAllowed = Number(row[i++]) != 0;
  return r;
}

// " WHERE ..." of a query, its parameters appended to params.
std::string WhereOf(const RecordQuery& query, std::vector<SqlValue>& params) {
  std::string where;
  const auto add = [&](const std::string& condition) { where += (where.empty() ? " WHERE " : " AND ") + condition; };
  const auto param = [&](SqlValue value) {
    params.push_back(std::move(value));
    return "$" + std::to_string(params.size());
  };
  if (!query.modemId.empty()) {
    const std::string p = param(query.modemId);
    add("(imei = " + p + " OR meid = " + p + ")");
  }
  if (!query.iccid.empty()) add("iccid = " + param(query.iccid));
  if (!query.serialNumber.empty()) add("serial_number = " + param(query.serialNumber));
  if (query.since) add("started_at >= " + param(Millis(*query.since)));
  if (!query.station.empty()) add("station = " + param(query.station));
  if (query.failedOnly) add("ok = 0");
  return where;
}

// Who holds an identity value.
struct Holder {
  std::string modemWord;
  std::string modemId;
  std::string iccid;
  std::string station;
  std::string slot;
  RecordTime claimedAt{};
};

std::string HeldAt(const Holder& holder) {
  std::string text = " at station " + holder.station;
  if (!holder.slot.empty()) text += ", slot " + holder.slot;
  return text + ", " + UtcTimeText(holder.claimedAt) + ")";
}

}  // namespace

std::string SqlRecordStore::Failure(const std::string& what) const {
  return what + " in " + where_ + ": " + connection_->Error();
}

ClaimResult SqlRecordStore::Claim(const ClaimRequest& request) {
  ClaimResult result;
  if (request.identity.ModemId().empty()) {
    result.outcome = ClaimOutcome::NoIdentity;
    result.text = "cannot claim the terminal: it reported no IMEI or MEID";
    return result;
  }
  if (request.identity.iccid.empty()) {
    result.outcome = ClaimOutcome::NoIdentity;
    result.text = "cannot claim the terminal: it reported no ICCID";
    return result;
  }
  for (int attempt = 0; attempt < kClaimTries; ++attempt) {
    if (!connection_->Ready()) break;
    if (TryClaim(request, result)) return result;
    connection_->Rollback();
    if (!connection_->Retryable()) break;
  }
  result.outcome = ClaimOutcome::Failed;
  result.text = Failure("cannot claim the terminal's identity");
  return result;
}

bool SqlRecordStore::TryClaim(const ClaimRequest& request, ClaimResult& result) {
  SqlConnection& db = *connection_;
  const std::string& modemId = request.identity.ModemId();
  const std::string& iccid = request.identity.iccid;
  const std::string modemWord = request.identity.imei.empty() ? "MEID" : "IMEI";
  if (!db.Begin()) return false;
  // Each value goes to the first terminal that claims it; a later claim of
  // another terminal leaves the holder in place (and waits while a racing
  // claim of the value is not yet committed).
  const char* insert =
      "INSERT INTO identity_holders (kind, value, modem_word, modem_id, iccid, station, slot, claimed_at) "
      "VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT DO NOTHING";
  for (const auto& [kind, value] : {std::pair{kModemKind, &modemId}, std::pair{kIccidKind, &iccid}})
    if (!db.Exec(insert, {kind, *value, modemWord, modemId, iccid, request.station, request.slot, Millis(request.at)}))
      return false;
  Holder holders[2];
  for (int i = 0; i < 2; ++i) {
    std::vector<SqlRow> rows;
    if (!db.Exec("SELECT modem_word, modem_id, iccid, station, slot, claimed_at FROM identity_holders "
                 "WHERE kind = $1 AND value = $2",
                 {i == 0 ? kModemKind : kIccidKind, i == 0 ? modemId : iccid}, &rows))
      return false;
    if (rows.size() != 1 || rows[0].size() != 6) {
      db.Rollback();
      result.outcome = ClaimOutcome::Failed;
      result.text = "the identity just claimed is not recorded in " + where_;
      return true;
    }
    const SqlRow& row = rows[0];
    holders[i] = Holder{row[0], row[1], row[2], row[3], row[4], TimeOf(row[5])};
  }
  std::string duplicate;
  if (holders[0].iccid != iccid)
    duplicate = "duplicate " + modemWord + " " + modemId + " (recorded for ICCID " + holders[0].iccid + HeldAt(holders[0]);
  else if (holders[1].modemId != modemId)
    duplicate = "duplicate ICCID " + iccid + " (recorded for " + holders[1].modemWord + " " + holders[1].modemId +
                HeldAt(holders[1]);
  if (!duplicate.empty() && !request.allowDuplicates) {
    db.Rollback();
    result.outcome = ClaimOutcome::Duplicate;
    result.text = duplicate;
    return true;
  }
  std::vector<SqlRow> rows;
  if (!db.Exec("INSERT INTO terminal_attempts (modem_id, iccid, attempts) VALUES ($1, $2, 1) "
               "ON CONFLICT (modem_id, iccid) DO UPDATE SET attempts = terminal_attempts.attempts + 1 "
               "RETURNING attempts",
               {modemId, iccid}, &rows))
    return false;
  if (!db.Commit()) return false;
  result.outcome = ClaimOutcome::Granted;
  result.attempt = rows.empty() || rows[0].empty() ? 1 : static_cast<int>(Number(rows[0][0]));
  result.text = duplicate;
  return true;
}

StoreError SqlRecordStore::Add(ProvisionRecord& record) {
  if (!connection_->Ready()) return Failure("cannot add the record");
  if (!connection_->Begin()) {
    connection_->Rollback();
    return Failure("cannot add the record");
  }
  std::string sql = std::string("INSERT INTO provision_records (") + kColumns + ") VALUES (";
  for (int i = 1; i <= kColumnCount; ++i) sql += (i == 1 ? "$" : ", $") + std::to_string(i);
  sql += ") RETURNING id";
  std::vector<SqlRow> rows;
  if (!connection_->Exec(sql, ValuesOf(record), &rows) || !connection_->Commit()) {
    const std::string error = Failure("cannot add the record");
    connection_->Rollback();
    return error;
  }
  if (!rows.empty() && !rows[0].empty()) record.id = Number(rows[0][0]);
  return {};
}

StoreError SqlRecordStore::Find(const RecordQuery& query, std::vector<ProvisionRecord>& records) {
  records.clear();
  if (!connection_->Ready()) return Failure("cannot read the records");
  std::vector<SqlValue> params;
  std::string sql = std::string("SELECT id, ") + kColumns + " FROM provision_records" + WhereOf(query, params) +
                    " ORDER BY started_at DESC, id DESC";
  if (query.last > 0) {
    params.emplace_back(std::in_place_type<std::int64_t>, query.last);
    sql += " LIMIT $" + std::to_string(params.size());
  }
  std::vector<SqlRow> rows;
  if (!connection_->Exec(sql, params, &rows)) return Failure("cannot read the records");
  for (const auto& row : rows) {
    if (row.size() != kColumnCount + 1) return "the records in " + where_ + " have an unexpected form";
    records.push_back(RecordOfRow(row));
  }
  return {};
}

StoreError SqlRecordStore::Stats(const RecordQuery& query, std::vector<StationDayStats>& stats) {
  stats.clear();
  if (!connection_->Ready()) return Failure("cannot read the records");
  std::vector<SqlValue> params;
  const std::string sql =
      "SELECT station, started_at, ok, failed_step, duration_ms FROM provision_records" + WhereOf(query, params);
  std::vector<SqlRow> rows;
  if (!connection_->Exec(sql, params, &rows)) return Failure("cannot read the records");
  std::vector<RunFacts> runs;
  for (const auto& row : rows) {
    if (row.size() != 5) return "the records in " + where_ + " have an unexpected form";
    runs.push_back(RunFacts{row[0], TimeOf(row[1]), Number(row[2]) != 0, row[3],
                            std::chrono::milliseconds(Number(row[4]))});
  }
  stats = StatsOfRuns(runs);
  return {};
}

}  // namespace t418
