// t418ctl stations into one PostgreSQL server (a throwaway one of this test
// program, shared by its tests): many stations at once lose no record, and two
// stations that meet the same identity at the same moment provision it once.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "child_process.h"
#include "ctl/ctl_program.h"
#include "pg_server.h"
#include "sim_process.h"
#include "station_run.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418 {
namespace {

using testing::ChildProcess;
using testing::ChildResult;
using testing::PgServer;
using testing::SimProcess;
using namespace std::chrono_literals;

namespace fs = std::filesystem;

class PostgresStations : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PgServer::Shared().Available()) GTEST_SKIP() << "PostgreSQL tests skipped: " << PgServer::Shared().Why();
    db_ = PgServer::Shared().FreshSchemaConnInfo();
    fs::create_directories(runtime_);
    scoped_.emplace(runtime_);
    std::ofstream(config_, std::ios::binary) << "[WKMOD]\r\nWKMOD=NET\r\n";
  }

  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }

  // A station on the ports whose names start with the prefix, its report in the test's folder.
  std::unique_ptr<ChildProcess> Station(const std::string& name, const std::string& prefix) {
    return std::make_unique<ChildProcess>(std::vector<std::string>{
        T418_CTL_PATH, "station", config_, "--db", db_, "--station", name, "--report", Report(name), "--delay", "0",
        "--match", ports_ + "/" + prefix + "*"});
  }
  std::string Report(const std::string& station) const { return Path(station + ".jsonl"); }

  testing::TempFolder folder_;
  std::string runtime_ = (folder_.path() / "run").string();
  std::string ports_ = runtime_ + "/t418-ports";
  std::string config_ = (folder_.path() / "line.ini").string();
  std::optional<testing::ScopedRuntime> scoped_;
  std::string db_;
};

TEST_F(PostgresStations, TwoStationsWithEightTerminalsEachLoseNoRecord) {
  auto east = Station("east", "e");
  auto west = Station("west", "w");
  std::vector<std::unique_ptr<SimProcess>> sims;
  for (int i = 0; i < 8; ++i)
    for (const char* side : {"e", "w"})
      sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"--name", side + std::to_string(i)}));
  for (const char* station : {"east", "west"})
    ASSERT_TRUE(testing::WaitForReportRecords(Report(station), 8, 180s)) << station << " did not provision all eight";
  for (auto* station : {east.get(), west.get()}) {
    station->Signal(SIGINT);
    EXPECT_EQ(station->Wait().exitCode, 130);
  }
  const auto records = testing::DatabaseRecords(db_);
  ASSERT_EQ(records.size(), 16u);
  std::set<std::string> terminals;
  for (const auto& record : records) {
    SCOPED_TRACE(record.dump());
    EXPECT_EQ(record["result"], "ok");
    EXPECT_EQ(record["attempt"], 1);
    const std::string port = record["port"];
    const std::string name = fs::path(port).filename().string();
    EXPECT_EQ(record["station"], name[0] == 'e' ? "east" : "west");
    terminals.insert(record["imei"].get<std::string>() + "/" + record["iccid"].get<std::string>());
  }
  EXPECT_EQ(terminals.size(), 16u);
  const ChildResult stats = testing::RunProgram({T418_CTL_PATH, "records", "stats", "--db", db_, "--json"});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  const auto days = nlohmann::json::parse(stats.out);
  ASSERT_EQ(days.size(), 2u) << stats.out;
  for (const auto& day : days) EXPECT_EQ(day["passed"], 8) << day.dump();
}

TEST_F(PostgresStations, OneIdentityOnTwoStationsAtOnceIsProvisionedOnceInEveryRound) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string imei = "86832302876540" + std::to_string(round);
    const std::string left = "l" + std::to_string(round);
    const std::string right = "r" + std::to_string(round);
    const std::string leftLog = Path(left + ".log");
    const std::string rightLog = Path(right + ".log");
    // Both terminals are there before the stations start: each station takes its own at once.
    SimProcess a({"--name", left, "--imei", imei, "--iccid", "8986011880212574640" + std::to_string(round), "--log", leftLog});
    SimProcess b({"--name", right, "--imei", imei, "--iccid", "8986011880212574650" + std::to_string(round), "--log", rightLog});
    auto one = Station("one" + std::to_string(round), left);
    auto two = Station("two" + std::to_string(round), right);
    ASSERT_TRUE(testing::WaitForReportRecords(Report("one" + std::to_string(round)), 1, 60s));
    ASSERT_TRUE(testing::WaitForReportRecords(Report("two" + std::to_string(round)), 1, 60s));
    for (auto* station : {one.get(), two.get()}) {
      station->Signal(SIGINT);
      station->Wait();
    }
    const auto records = testing::DatabaseRecords(db_, {"--imei", imei});
    ASSERT_EQ(records.size(), 2u);
    int provisioned = 0;
    int duplicates = 0;
    for (const auto& record : records) {
      if (record["result"] == "ok") ++provisioned;
      if (record["failure"] == "duplicate") ++duplicates;
    }
    EXPECT_EQ(provisioned, 1);
    EXPECT_EQ(duplicates, 1);
    // Exactly one of the two terminals was written to.
    EXPECT_NE(testing::SimGotWrite(leftLog), testing::SimGotWrite(rightLog));
  }
}

TEST_F(PostgresStations, AWrongPasswordOrNoServerEndsTheRunBeforeAnyPortIsTouched) {
  const std::string simLog = Path("sim.log");
  SimProcess sim({"--name", "guarded", "--log", simLog});
  const std::string wrongPassword = PgServer::Shared().ConnInfo("pwuser", "wrong-password");
  const std::string noServer = "postgresql://t418@127.0.0.1:1/records?connect_timeout=5";
  for (const std::string& target : {wrongPassword, noServer}) {
    SCOPED_TRACE(target);
    const ChildResult station = testing::RunProgram({T418_CTL_PATH, "station", config_, "--db", target, "--delay", "0",
                                                     "--match", ports_ + "/*"});
    EXPECT_EQ(station.exitCode, 18) << station.err;
    EXPECT_NE(station.err.find("cannot use the records database"), std::string::npos) << station.err;
    // The password is not shown.
    EXPECT_EQ(station.err.find("wrong-password"), std::string::npos) << station.err;
    const ChildResult write =
        testing::CtlNoPause({"write", sim.Port(), config_, "--db", target});
    EXPECT_EQ(write.exitCode, 18) << write.err;
  }
  EXPECT_TRUE(testing::ReadLines(simLog).empty()) << "the terminal was sent something";
  // The right password lets the same station in.
  const ChildResult right =
      testing::CtlNoPause({"write", sim.Port(), config_, "--db", PgServer::Shared().ConnInfo("pwuser", "right-password")});
  EXPECT_EQ(right.exitCode, 0) << right.err;
}

}  // namespace
}  // namespace t418
