// t418ctl with a records database (SQLite here; the PostgreSQL runs are in
// tests/ctl_db): the claim before each write, the records of the station and
// of single runs, slots, the records command, and a database that cannot be used.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "ctl_program.h"
#include "sim_process.h"
#include "station_run.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418 {
namespace {

using testing::ChildProcess;
using testing::ChildResult;
using testing::SimProcess;
using namespace std::chrono_literals;

namespace fs = std::filesystem;

using Bench = testing::StationBench;

const nlohmann::json* RecordOfPort(const std::vector<nlohmann::json>& records, const std::string& port,
                                   int attempt) {
  for (const auto& record : records)
    if (record["port"] == port && record["attempt"] == attempt) return &record;
  return nullptr;
}

TEST(T418ctlRecords, TheStationRecordsEachTerminalWithItsSlotAndAReworkIsTheSecondAttempt) {
  Bench bench;
  const std::string report = bench.Path("report.jsonl");
  const std::string logs = bench.Path("logs");
  const std::string slots = bench.Path("slots.ini");
  std::ofstream(slots) << "# the fixture's two places\n[slots]\n" << bench.ports << "/dbA = A1\n"
                       << bench.ports << "/dbB = B2\n";

  ChildProcess station({T418_CTL_PATH, "station", bench.config, "--db", bench.db, "--station", "line-7",
                        "--operator", "Wang Fang", "--slots", slots, "--report", report, "--log", logs, "--delay", "0",
                        "--match", bench.ports + "/db*"});
  std::optional<SimProcess> a(std::in_place, std::vector<std::string>{"--name", "dbA"});
  SimProcess b({"--name", "dbB"});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 2, 60s)) << "the two terminals were not provisioned";
  // Unplugged and plugged in again: the same terminal, its second run.
  a.reset();
  a.emplace(std::vector<std::string>{"--name", "dbA"});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 3, 60s)) << "the terminal plugged in again was not provisioned";
  station.Signal(SIGINT);
  const ChildResult stopped = station.Wait();
  EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
  EXPECT_NE(stopped.err.find("records database: 3 records kept, 0 lost, "), std::string::npos) << stopped.err;

  const auto records = testing::DatabaseRecords(bench.db);
  ASSERT_EQ(records.size(), 3u) << stopped.err;
  const struct {
    std::string port;
    int attempt;
    std::string slot;
  } expected[] = {{bench.ports + "/dbA", 1, "A1"}, {bench.ports + "/dbB", 1, "B2"}, {bench.ports + "/dbA", 2, "A1"}};
  for (const auto& want : expected) {
    SCOPED_TRACE(want.port + " attempt " + std::to_string(want.attempt));
    const nlohmann::json* record = RecordOfPort(records, want.port, want.attempt);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ((*record)["result"], "ok");
    EXPECT_EQ((*record)["station"], "line-7");
    EXPECT_EQ((*record)["operator"], "Wang Fang");
    EXPECT_EQ((*record)["slot"], want.slot);
    EXPECT_EQ((*record)["configFile"], bench.config);
    EXPECT_EQ((*record)["duplicatesAllowed"], false);
    EXPECT_FALSE((*record)["imei"].get<std::string>().empty());
    EXPECT_FALSE((*record)["serialNumber"].get<std::string>().empty());
    // The traffic log is named after the slot and is there.
    const std::string log = (*record)["trafficLog"];
    EXPECT_EQ(fs::path(log).filename().string().rfind(want.slot + "-", 0), 0u) << log;
    EXPECT_TRUE(fs::exists(log)) << log;
  }
  // Both runs of one terminal carry its identity; the other terminal has its own.
  const nlohmann::json& first = *RecordOfPort(records, bench.ports + "/dbA", 1);
  const nlohmann::json& rework = *RecordOfPort(records, bench.ports + "/dbA", 2);
  const nlohmann::json& other = *RecordOfPort(records, bench.ports + "/dbB", 1);
  EXPECT_EQ(first["imei"], rework["imei"]);
  EXPECT_NE(first["imei"], other["imei"]);

  // The line per terminal, and the report, name the slot.
  EXPECT_NE(stopped.out.find("slot A1"), std::string::npos) << stopped.out;
  EXPECT_NE(stopped.out.find("attempt 2"), std::string::npos) << stopped.out;
  const auto reported = testing::ReportRecords(report);
  ASSERT_EQ(reported.size(), 3u);
  EXPECT_EQ(reported[2]["slot"], "A1");
  EXPECT_EQ(reported[2]["attempt"], 2);

  // Filters: one terminal's runs, newest first; the newest one only.
  const auto byImei = testing::DatabaseRecords(bench.db, {"--imei", first["imei"]});
  ASSERT_EQ(byImei.size(), 2u);
  EXPECT_EQ(byImei[0]["attempt"], 2);
  EXPECT_EQ(byImei[1]["attempt"], 1);
  EXPECT_EQ(testing::DatabaseRecords(bench.db, {"--last", "1"}).size(), 1u);
  EXPECT_EQ(testing::DatabaseRecords(bench.db, {"--iccid", other["iccid"]}).size(), 1u);
  EXPECT_TRUE(testing::DatabaseRecords(bench.db, {"--failed"}).empty());
  EXPECT_TRUE(testing::DatabaseRecords(bench.db, {"--station", "line-8"}).empty());
  EXPECT_TRUE(testing::DatabaseRecords(bench.db, {"--since", "2999-01-01"}).empty());
  EXPECT_EQ(testing::DatabaseRecords(bench.db, {"--since", "2020-01-01T00:00"}).size(), 3u);

  // The table and the CSV show the same runs.
  const ChildResult table = testing::RunProgram({T418_CTL_PATH, "records", "--db", bench.db});
  ASSERT_EQ(table.exitCode, 0) << table.err;
  const auto tableLines = testing::Lines(table.out);
  ASSERT_EQ(tableLines.size(), 4u) << table.out;
  EXPECT_EQ(tableLines[0].rfind("STARTED", 0), 0u) << table.out;
  for (std::size_t i = 1; i < tableLines.size(); ++i) {
    EXPECT_NE(tableLines[i].find("line-7"), std::string::npos) << tableLines[i];
    EXPECT_NE(tableLines[i].find(" ok "), std::string::npos) << tableLines[i];
  }
  const ChildResult csv = testing::RunProgram({T418_CTL_PATH, "records", "--db", bench.db, "--csv"});
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  const auto csvLines = testing::Lines(csv.out);
  ASSERT_EQ(csvLines.size(), 4u) << csv.out;
  EXPECT_EQ(csvLines[0].rfind("started_at,station,slot,operator,", 0), 0u);
  EXPECT_NE(csvLines[1].find(",line-7,A1,Wang Fang,"), std::string::npos) << csvLines[1];

  // The statistics: one station, one day, three passed runs.
  const ChildResult stats = testing::RunProgram({T418_CTL_PATH, "records", "stats", "--db", bench.db, "--json"});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  const auto days = nlohmann::json::parse(stats.out);
  ASSERT_EQ(days.size(), 1u) << stats.out;
  EXPECT_EQ(days[0]["station"], "line-7");
  EXPECT_EQ(days[0]["passed"], 3);
  EXPECT_EQ(days[0]["failed"], 0);
  EXPECT_GT(days[0]["medianSeconds"].get<double>(), 0.0);
  EXPECT_GE(days[0]["p95Seconds"].get<double>(), days[0]["medianSeconds"].get<double>());
  const ChildResult statsTable = testing::RunProgram({T418_CTL_PATH, "records", "stats", "--db", bench.db});
  ASSERT_EQ(statsTable.exitCode, 0) << statsTable.err;
  const auto statsLines = testing::Lines(statsTable.out);
  ASSERT_EQ(statsLines.size(), 2u) << statsTable.out;
  EXPECT_EQ(statsLines[1].rfind("line-7", 0), 0u) << statsTable.out;
}

TEST(T418ctlRecords, ADuplicateIdentityIsStoppedBeforeAnyWriteUnlessDuplicatesAreAllowed) {
  Bench bench;
  const std::string logA = bench.Path("a.log");
  const std::string logB = bench.Path("b.log");
  SimProcess a({"--name", "dupA", "--imei", "868323028765432", "--iccid", "89860118802125746431", "--log", logA});
  SimProcess b({"--name", "dupB", "--imei", "868323028765432", "--iccid", "89860118802125749999", "--log", logB});

  const ChildResult first =
      testing::CtlNoPause({"write", a.Port(), bench.config, "--db", bench.db, "--station", "s1"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_TRUE(testing::SimGotWrite(logA));

  const ChildResult second =
      testing::CtlNoPause({"write", b.Port(), bench.config, "--db", bench.db, "--station", "s1"});
  EXPECT_EQ(second.exitCode, 19) << second.err;
  EXPECT_NE(second.err.find("duplicate IMEI 868323028765432 (recorded for ICCID 89860118802125746431"),
            std::string::npos)
      << second.err;
  EXPECT_FALSE(testing::SimGotWrite(logB)) << "the duplicate got a write";

  const ChildResult allowed = testing::CtlNoPause(
      {"write", b.Port(), bench.config, "--db", bench.db, "--station", "s1", "--allow-duplicates"});
  EXPECT_EQ(allowed.exitCode, 0) << allowed.err;
  EXPECT_TRUE(testing::SimGotWrite(logB));

  const auto records = testing::DatabaseRecords(bench.db, {"--iccid", "89860118802125749999"});
  ASSERT_EQ(records.size(), 2u);
  // Newest first: the run let through, then the one stopped at its claim.
  EXPECT_EQ(records[0]["result"], "ok");
  EXPECT_EQ(records[0]["duplicatesAllowed"], true);
  EXPECT_EQ(records[1]["result"], "failed");
  EXPECT_EQ(records[1]["failedStep"], "claim");
  EXPECT_EQ(records[1]["failure"], "duplicate");
  EXPECT_EQ(records[1]["settingsSent"], 0);
  const auto failed = testing::DatabaseRecords(bench.db, {"--failed"});
  ASSERT_EQ(failed.size(), 1u);
  // The statistics count the stop at the claim as a failed step.
  const ChildResult stats = testing::RunProgram({T418_CTL_PATH, "records", "stats", "--db", bench.db, "--json"});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  const auto days = nlohmann::json::parse(stats.out);
  ASSERT_EQ(days.size(), 1u);
  EXPECT_EQ(days[0]["passed"], 2);
  EXPECT_EQ(days[0]["failedBySteps"]["claim"], 1);
}

// Runs t418ctl as the unprivileged user "nobody" (root may write any file).
std::vector<std::string> AsNobody(std::vector<std::string> args) {
  if (::geteuid() != 0) return args;
  args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
  return args;
}

TEST(T418ctlRecords, ADatabaseThatCannotBeUsedEndsTheRunBeforeAnyPortIsTouched) {
  Bench bench;
  fs::permissions(bench.folder.path(), fs::perms::all);
  fs::permissions(bench.config, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // A records file that may only be read.
  const std::string readOnly = bench.Path("read-only.db");
  ASSERT_EQ(testing::RunProgram({T418_CTL_PATH, "records", "--db", readOnly}).exitCode, 0);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string simLog = bench.Path("sim.log");
  SimProcess sim({"--name", "guarded", "--log", simLog});

  const struct {
    const char* name;
    std::string target;
    std::string said;
    bool asNobody;
  } cases[] = {
      {"a folder that is not there", bench.Path("missing/records.db"), "", false},
      {"a read-only file", readOnly, "read-only", true},
      {"a server nobody listens on", "host=" + bench.Path("no-server") + " port=5 dbname=records user=t418", "", false},
  };
  for (const auto& c : cases) {
    for (const char* command : {"write", "station"}) {
      SCOPED_TRACE(std::string(c.name) + ", " + command);
      std::vector<std::string> args = {T418_CTL_PATH, command};
      if (std::string(command) == "write") args.push_back(sim.Port());
      args.insert(args.end(), {bench.config, "--db", c.target, "--delay", "0"});
      if (std::string(command) == "station") args.insert(args.end(), {"--match", bench.ports + "/*"});
      const ChildResult result = testing::RunProgram(c.asNobody ? AsNobody(args) : args);
      EXPECT_EQ(result.exitCode, 18) << result.err;
      EXPECT_NE(result.err.find("cannot use the records database"), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
      EXPECT_TRUE(testing::ReadLines(simLog).empty()) << "the terminal was sent something";
    }
  }
  const ChildResult query = testing::RunProgram({T418_CTL_PATH, "records", "--db", bench.Path("missing/records.db")});
  EXPECT_EQ(query.exitCode, 18) << query.err;
}

TEST(T418ctlRecords, ASlotsFileWithJunkIsRefusedWithItsLine) {
  Bench bench;
  const std::string slots = bench.Path("slots.ini");
  std::ofstream(slots) << "/dev/ttyUSB0 = A1\nthis is no slot\n";
  const std::string simLog = bench.Path("sim.log");
  SimProcess sim({"--name", "slotted", "--log", simLog});
  for (const char* command : {"write", "station"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {T418_CTL_PATH, command};
    if (std::string(command) == "write") args.push_back(sim.Port());
    args.insert(args.end(), {bench.config, "--slots", slots, "--db", bench.db, "--delay", "0"});
    const ChildResult result = testing::RunProgram(args);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find(slots + ":2"), std::string::npos) << result.err;
    EXPECT_TRUE(testing::ReadLines(simLog).empty());
  }
}

TEST(T418ctlRecords, AStationKilledInTheMiddleOfAWriteLeavesNoHalfRecordAndTheNextRunGoesOn) {
  Bench bench;
  const std::string simLog = bench.Path("sim.log");
  SimProcess sim({"--name", "killed", "--latency", "20", "--log", simLog});
  {
    ChildProcess station({T418_CTL_PATH, "station", bench.config, "--db", bench.db, "--station", "s1", "--delay", "0",
                          "--match", bench.ports + "/killed"});
    ASSERT_TRUE(testing::WaitUntil([&] { return testing::SimGotWrite(simLog); }, 60s)) << "the write never began";
    station.Signal(SIGKILL);
    station.Wait();
  }
  EXPECT_TRUE(testing::DatabaseRecords(bench.db).empty());

  const std::string report = bench.Path("report.jsonl");
  ChildProcess again({T418_CTL_PATH, "station", bench.config, "--db", bench.db, "--station", "s1", "--delay", "0",
                      "--report", report, "--match", bench.ports + "/killed"});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 1, 60s)) << "the next station did not provision the terminal";
  again.Signal(SIGINT);
  const ChildResult result = again.Wait();
  EXPECT_EQ(result.exitCode, 130) << result.err;
  const auto records = testing::DatabaseRecords(bench.db);
  ASSERT_EQ(records.size(), 1u) << result.err;
  EXPECT_EQ(records[0]["result"], "ok");
  // The claim of the killed run was kept whole: this is the terminal's second attempt.
  EXPECT_EQ(records[0]["attempt"], 2);
}

}  // namespace
}  // namespace t418
