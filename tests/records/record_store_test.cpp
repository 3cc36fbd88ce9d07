// The record store on both backends: records kept byte for byte, the queries,
// the identity guard, the schema's versions and the statistics.
#include <gtest/gtest.h>

#include "gbk_texts.h"
#include "records/record_store.h"
#include "store_targets.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;
using testing::G;

const RecordTime kMorning = RecordTime(std::chrono::sys_days{std::chrono::year{2026} / 12 / 11}) + 8h;

ProvisionRecord FullRecord() {
  ProvisionRecord r;
  r.station = G("装配线一");
  r.slot = "usb-1.2";
  r.operatorName = G("张伟");
  r.port = "/dev/ttyUSB3";
  r.imei = "861234567890123";
  r.iccid = "89860012345678901234";
  r.serialNumber = "SN0042";
  r.attempt = 2;
  r.startedAt = kMorning + 1234ms;
  r.duration = 41250ms;
  r.ok = false;
  r.failedStep = "verify";
  r.failure = "differences";
  r.reason = G("终端保存的值不同：服务器地址");
  r.versionBefore = "V1.0.3";
  r.versionAfter = "V1.0.4";
  r.configFile = G("/srv/配置/客户A.ini");
  r.configSha256 = std::string(64, 'a');
  r.settingsSent = 37;
  r.refused = {"QCITY", "GNSSFUNEN"};
  r.differences = {G("AT+SERVER=1,\"中文.example\",5000"), "AT+HEART=ON,60"};
  r.notCompared = {"APN"};
  r.trafficLog = "/var/log/t418/ttyUSB3-20261211T080001Z.log";
  r.duplicatesAllowed = true;
  return r;
}

using RecordStoreTest = testing::StoreTest;

TEST_P(RecordStoreTest, ARecordComesBackByteForByteAlsoAfterTheStoreIsOpenedAgain) {
  ProvisionRecord full = FullRecord();
  ProvisionRecord meid;  // the other side: a passed MEID terminal with nothing optional
  meid.station = "S2";
  meid.port = "/dev/ttyACM0";
  meid.meid = "A1000012345678";
  meid.iccid = "8986";
  meid.startedAt = kMorning + 2h;
  meid.duration = 9000ms;
  meid.ok = true;
  {
    auto store = Open();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->Add(full), "");
    ASSERT_EQ(store->Add(meid), "");
    EXPECT_NE(full.id, 0);
    EXPECT_NE(full.id, meid.id);
  }
  auto store = Open();
  ASSERT_NE(store, nullptr);
  std::vector<ProvisionRecord> found;
  ASSERT_EQ(store->Find({}, found), "");
  EXPECT_EQ(found, (std::vector<ProvisionRecord>{meid, full}));  // newest first
}

TEST_P(RecordStoreTest, QueriesSelectByIdentityTimeStationAndOutcomeNewestFirst) {
  auto store = Open();
  ASSERT_NE(store, nullptr);
  struct Run {
    std::string imei, meid, iccid, serial, station;
    std::chrono::hours at;
    bool ok;
  };
  const Run runs[] = {
      {"111", "", "X", "", "S1", 0h, true},    // 0
      {"", "222", "Y", "", "S2", 1h, false},   // 1
      {"111", "", "X", "SN3", "S1", 2h, false},  // 2
      {"333", "", "Z", "", "S2", 3h, true},    // 3
  };
  std::vector<std::int64_t> ids;
  for (const auto& run : runs) {
    ProvisionRecord r;
    r.imei = run.imei;
    r.meid = run.meid;
    r.iccid = run.iccid;
    r.serialNumber = run.serial;
    r.station = run.station;
    r.startedAt = kMorning + run.at;
    r.ok = run.ok;
    if (!run.ok) r.failedStep = "read";
    ASSERT_EQ(store->Add(r), "");
    ids.push_back(r.id);
  }
  const auto query = [](auto fill) {
    RecordQuery q;
    fill(q);
    return q;
  };
  const struct {
    const char* what;
    RecordQuery query;
    std::vector<int> expected;
  } cases[] = {
      {"all", {}, {3, 2, 1, 0}},
      {"IMEI", query([](RecordQuery& q) { q.modemId = "111"; }), {2, 0}},
      {"MEID", query([](RecordQuery& q) { q.modemId = "222"; }), {1}},
      {"ICCID", query([](RecordQuery& q) { q.iccid = "Y"; }), {1}},
      {"serial number", query([](RecordQuery& q) { q.serialNumber = "SN3"; }), {2}},
      {"since", query([](RecordQuery& q) { q.since = kMorning + 1h; }), {3, 2, 1}},
      {"station", query([](RecordQuery& q) { q.station = "S2"; }), {3, 1}},
      {"failed only", query([](RecordQuery& q) { q.failedOnly = true; }), {2, 1}},
      {"last 2", query([](RecordQuery& q) { q.last = 2; }), {3, 2}},
      {"station, failed, since", query([](RecordQuery& q) {
         q.station = "S1";
         q.failedOnly = true;
         q.since = kMorning + 1h;
       }),
       {2}},
      {"nothing matches", query([](RecordQuery& q) { q.modemId = "X"; }), {}},
  };
  for (const auto& c : cases) {
    std::vector<ProvisionRecord> found;
    ASSERT_EQ(store->Find(c.query, found), "") << c.what;
    std::vector<std::int64_t> foundIds, expectedIds;
    for (const auto& r : found) foundIds.push_back(r.id);
    for (const int i : c.expected) expectedIds.push_back(ids[static_cast<std::size_t>(i)]);
    EXPECT_EQ(foundIds, expectedIds) << c.what;
  }
}

ClaimRequest Terminal(std::string imei, std::string meid, std::string iccid, std::string station = "S1",
                      std::string slot = "2", bool allow = false) {
  ClaimRequest request;
  request.identity.imei = std::move(imei);
  request.identity.meid = std::move(meid);
  request.identity.iccid = std::move(iccid);
  request.station = std::move(station);
  request.slot = std::move(slot);
  request.at = kMorning + 90s;
  request.allowDuplicates = allow;
  return request;
}

TEST_P(RecordStoreTest, TheGuardLetsTheSameTerminalBackAndStopsAnotherOneWithItsIdentity) {
  auto store = Open();
  ASSERT_NE(store, nullptr);
  const struct {
    const char* what;
    ClaimRequest claim;
    ClaimOutcome outcome;
    int attempt;
    std::string text;
  } cases[] = {
      {"new terminal", Terminal("861", "", "X"), ClaimOutcome::Granted, 1, ""},
      {"rework", Terminal("861", "", "X", "S2", ""), ClaimOutcome::Granted, 2, ""},
      {"second rework", Terminal("861", "", "X"), ClaimOutcome::Granted, 3, ""},
      {"IMEI of another terminal", Terminal("861", "", "Y"), ClaimOutcome::Duplicate, 0,
       "duplicate IMEI 861 (recorded for ICCID X at station S1, slot 2, 2026-12-11 08:01:30 UTC)"},
      {"ICCID of another terminal", Terminal("862", "", "X", "S3"), ClaimOutcome::Duplicate, 0,
       "duplicate ICCID X (recorded for IMEI 861 at station S1, slot 2, 2026-12-11 08:01:30 UTC)"},
      // The refused claims above held nothing: their other value is still free.
      {"ICCID of a refused claim", Terminal("863", "", "Y"), ClaimOutcome::Granted, 1, ""},
      {"IMEI of a refused claim", Terminal("862", "", "W"), ClaimOutcome::Granted, 1, ""},
      {"MEID terminal", Terminal("", "A100", "Z", "S4", ""), ClaimOutcome::Granted, 1, ""},
      {"MEID terminal again", Terminal("", "A100", "Z"), ClaimOutcome::Granted, 2, ""},
      {"MEID of another terminal", Terminal("", "A100", "V"), ClaimOutcome::Duplicate, 0,
       "duplicate MEID A100 (recorded for ICCID Z at station S4, 2026-12-11 08:01:30 UTC)"},
      {"ICCID of a MEID terminal", Terminal("864", "", "Z"), ClaimOutcome::Duplicate, 0,
       "duplicate ICCID Z (recorded for MEID A100 at station S4, 2026-12-11 08:01:30 UTC)"},
      {"no modem id", Terminal("", "", "Q"), ClaimOutcome::NoIdentity, 0,
       "cannot claim the terminal: it reported no IMEI or MEID"},
      {"no ICCID", Terminal("865", "", ""), ClaimOutcome::NoIdentity, 0,
       "cannot claim the terminal: it reported no ICCID"},
      // An empty identity held nothing either.
      {"ICCID after an empty claim", Terminal("866", "", "Q"), ClaimOutcome::Granted, 1, ""},
  };
  for (const auto& c : cases) {
    const ClaimResult result = store->Claim(c.claim);
    EXPECT_EQ(result.outcome, c.outcome) << c.what << ": " << result.text;
    EXPECT_EQ(result.attempt, c.attempt) << c.what;
    EXPECT_EQ(result.text, c.text) << c.what;
  }
}

TEST_P(RecordStoreTest, AllowedDuplicatesGoThroughNamedAndLeaveTheFirstHolderInPlace) {
  auto store = Open();
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(store->Claim(Terminal("861", "", "X")).outcome, ClaimOutcome::Granted);
  const ClaimResult allowed = store->Claim(Terminal("861", "", "Y", "S9", "", true));
  EXPECT_EQ(allowed.outcome, ClaimOutcome::Granted);
  EXPECT_EQ(allowed.attempt, 1);  // the first run of this pair
  EXPECT_EQ(allowed.text, "duplicate IMEI 861 (recorded for ICCID X at station S1, slot 2, 2026-12-11 08:01:30 UTC)");
  EXPECT_EQ(store->Claim(Terminal("861", "", "Y", "S9", "", true)).attempt, 2);
  // Without the option the IMEI is still the first terminal's.
  EXPECT_EQ(store->Claim(Terminal("861", "", "Y")).outcome, ClaimOutcome::Duplicate);
  EXPECT_EQ(store->Claim(Terminal("861", "", "X")).attempt, 2);
}

// What the first version of the schema looked like, with one record in it.
TEST_P(RecordStoreTest, AnOlderSchemaIsBroughtUpToDateKeepingItsRecords) {
  {
    auto raw = Raw();
    RawExec(*raw, InDialect("CREATE TABLE schema_version (version {I} NOT NULL)"));
    RawExec(*raw, "INSERT INTO schema_version (version) VALUES (1)");
    RawExec(*raw, InDialect(
        "CREATE TABLE provision_records (id {ID}, station {B} NOT NULL, slot {B} NOT NULL, port {B} NOT NULL, "
        "imei {B} NOT NULL, meid {B} NOT NULL, iccid {B} NOT NULL, attempt {I} NOT NULL, started_at {I} NOT NULL, "
        "duration_ms {I} NOT NULL, ok {I} NOT NULL, failed_step {B} NOT NULL, failure {B} NOT NULL, "
        "reason {B} NOT NULL, version_before {B} NOT NULL, version_after {B} NOT NULL, config_file {B} NOT NULL, "
        "config_sha256 {B} NOT NULL, settings_sent {I} NOT NULL, refused {B} NOT NULL, differences {B} NOT NULL, "
        "not_compared {B} NOT NULL, traffic_log {B} NOT NULL, duplicates_allowed {I} NOT NULL)"));
    RawExec(*raw, InDialect("CREATE TABLE identity_holders (kind {I} NOT NULL, value {B} NOT NULL, "
                            "modem_word {B} NOT NULL, modem_id {B} NOT NULL, iccid {B} NOT NULL, station {B} NOT NULL, "
                            "slot {B} NOT NULL, claimed_at {I} NOT NULL, PRIMARY KEY (kind, value))"));
    RawExec(*raw, InDialect("CREATE TABLE terminal_attempts (modem_id {B} NOT NULL, iccid {B} NOT NULL, "
                            "attempts {I} NOT NULL, PRIMARY KEY (modem_id, iccid))"));
    const std::string none;
    ASSERT_TRUE(raw->Exec(
        "INSERT INTO provision_records (station, slot, port, imei, meid, iccid, attempt, started_at, duration_ms, ok, "
        "failed_step, failure, reason, version_before, version_after, config_file, config_sha256, settings_sent, "
        "refused, differences, not_compared, traffic_log, duplicates_allowed) VALUES ($1, $2, $3, $4, $2, $5, 1, "
        "1765440000000, 30000, 1, $2, $2, $2, $6, $7, $8, $9, 5, $2, $2, $2, $2, 0)",
        {std::string("S1"), none, std::string("/dev/ttyUSB0"), std::string("861"), std::string("X"),
         std::string("V1"), std::string("V2"), std::string("a.ini"), std::string("abc")}))
        << raw->Error();
    ASSERT_TRUE(raw->Exec("INSERT INTO terminal_attempts (modem_id, iccid, attempts) VALUES ($1, $2, 1)",
                          {std::string("861"), std::string("X")}))
        << raw->Error();
  }
  auto store = Open();
  ASSERT_NE(store, nullptr);
  std::vector<ProvisionRecord> found;
  ASSERT_EQ(store->Find({}, found), "");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].station, "S1");
  EXPECT_EQ(found[0].imei, "861");
  EXPECT_EQ(found[0].iccid, "X");
  EXPECT_EQ(found[0].configFile, "a.ini");
  EXPECT_EQ(found[0].settingsSent, 5);
  EXPECT_EQ(found[0].serialNumber, "");
  EXPECT_EQ(found[0].operatorName, "");
  EXPECT_EQ(found[0].startedAt, RecordTime(1765440000000ms));
  // The new columns work, and the old attempts count on.
  EXPECT_EQ(store->Claim(Terminal("861", "", "X")).attempt, 2);
  ProvisionRecord next = FullRecord();
  ASSERT_EQ(store->Add(next), "");
  RecordQuery bySerial;
  bySerial.serialNumber = "SN0042";
  ASSERT_EQ(store->Find(bySerial, found), "");
  EXPECT_EQ(found, std::vector<ProvisionRecord>{next});
  std::vector<SqlRow> version;
  auto raw = Raw();
  ASSERT_TRUE(raw->Exec("SELECT version FROM schema_version", {}, &version)) << raw->Error();
  EXPECT_EQ(version, (std::vector<SqlRow>{{std::to_string(kRecordSchemaVersion)}}));
}

TEST_P(RecordStoreTest, ASchemaNewerThanTheProgramIsRefusedAndLeftAsItIs) {
  {
    auto raw = Raw();
    RawExec(*raw, InDialect("CREATE TABLE schema_version (version {I} NOT NULL)"));
    RawExec(*raw, "INSERT INTO schema_version (version) VALUES (" + std::to_string(kRecordSchemaVersion + 1) + ")");
  }
  StoreError error;
  EXPECT_EQ(OpenRecordStore(target_, error), nullptr);
  EXPECT_NE(error.find("schema version " + std::to_string(kRecordSchemaVersion + 1) +
                       ", newer than this program knows (" + std::to_string(kRecordSchemaVersion) + ")"),
            std::string::npos)
      << error;
  auto raw = Raw();
  std::vector<SqlRow> version;
  ASSERT_TRUE(raw->Exec("SELECT version FROM schema_version", {}, &version)) << raw->Error();
  EXPECT_EQ(version, (std::vector<SqlRow>{{std::to_string(kRecordSchemaVersion + 1)}}));
  bool made = true;
  ASSERT_TRUE(raw->TableExists("provision_records", made));
  EXPECT_FALSE(made);
}

TEST_P(RecordStoreTest, StatisticsPerStationAndUtcDayCountFailuresByStepAndTimeThePassedRuns) {
  auto store = Open();
  ASSERT_NE(store, nullptr);
  const auto add = [&](const std::string& station, RecordTime at, const std::string& failedStep, int seconds) {
    ProvisionRecord r;
    r.station = station;
    r.startedAt = at;
    r.ok = failedStep.empty();
    r.failedStep = failedStep;
    r.duration = std::chrono::seconds(seconds);
    ASSERT_EQ(store->Add(r), "");
  };
  const RecordTime day1 = kMorning;
  const RecordTime day2 = kMorning + 24h;
  // S1, day 1: passed 40, 10, 30, 20 s -> median (20+30)/2 = 25 s, p95 rank ceil(3.8) = 4 -> 40 s.
  for (const int s : {40, 10, 30, 20}) add("S1", day1, "", s);
  add("S1", day1, "write", 5);
  add("S1", day1, "write", 6);
  add("S1", day1, "open", 1);
  // 23:59:59.999 still belongs to day 1; midnight starts day 2.
  add("S1", RecordTime(std::chrono::sys_days{std::chrono::year{2026} / 12 / 12}) - 1ms, "verify", 3);
  // S1, day 2: 1..20 s -> median (10+11)/2 = 10.5 s, p95 rank 19 -> 19 s.
  for (int s = 20; s >= 1; --s) add("S1", day2, "", s);
  // S2, day 1: failed only.
  add("S2", day1, "read", 2);
  std::vector<StationDayStats> stats;
  ASSERT_EQ(store->Stats({}, stats), "");
  const std::vector<StationDayStats> expected = {
      {"S1", "2026-12-11", 4, 4, {{"open", 1}, {"verify", 1}, {"write", 2}}, 25000ms, 40000ms},
      {"S1", "2026-12-12", 20, 0, {}, 10500ms, 19000ms},
      {"S2", "2026-12-11", 0, 1, {{"read", 1}}, 0ms, 0ms},
  };
  EXPECT_EQ(stats, expected);
  RecordQuery s2;
  s2.station = "S2";
  ASSERT_EQ(store->Stats(s2, stats), "");
  EXPECT_EQ(stats, std::vector<StationDayStats>{expected[2]});
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordStoreTest, ::testing::Values(RecordBackend::Sqlite, RecordBackend::Postgres),
                         testing::BackendName);

}  // namespace
}  // namespace t418
