// t418ctl station against simulators plugged in and out one after another
// (their links come and go in a ports folder of the test's own).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "child_process.h"
#include "production/port_feed.h"
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

// The identity the simulators are given, so each record can be checked against it.
constexpr const char* kSimImei = "868323028765432";
constexpr const char* kSimIccid = "89860118802125746431";

using testing::ScopedRuntime;

// Waits until the simulator's log shows a setting line: the write has begun.
bool WaitForWriting(const std::string& simLog, std::chrono::seconds limit) {
  return testing::WaitUntil([&] { return testing::SimGotWrite(simLog); }, limit, 20ms);
}

// Counts the times a folder is read through, opened and closed again, as the
// station does at each look at the port list (inotify on the folder itself).
class FolderReads {
 public:
  explicit FolderReads(const std::string& folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0) ::inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_NOWRITE);
  }
  ~FolderReads() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderReads(const FolderReads&) = delete;
  FolderReads& operator=(const FolderReads&) = delete;

  // The reads seen since the watch began.
  int Count() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; fd_ >= 0 && (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        // Events of a file inside the folder carry its name; the folder's own carry none.
        if (event->len == 0 && (event->mask & IN_CLOSE_NOWRITE)) ++count_;
        at += sizeof(inotify_event) + event->len;
      }
    }
    return count_;
  }

 private:
  int fd_;
  int count_ = 0;
};

TEST(T418ctlStation, EachTerminalIsProvisionedOnceAndAKilledOneIsRecordedAsFailedWhileTheStationGoesOn) {
  testing::TempFolder folder;
  const std::string runtime = (folder.path() / "run").string();
  std::filesystem::create_directories(runtime);
  ScopedRuntime scoped(runtime);
  const std::string ports = runtime + "/t418-ports";
  const std::string config = (folder.path() / "line.ini").string();
  const std::string report = (folder.path() / "report.jsonl").string();

  // The configuration comes from a terminal that is not plugged in while the station runs.
  {
    SimProcess source({"--name", "source", "--config",
                       std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs/net_sockets.state"});
    const ChildResult read = testing::RunProgram({T418_CTL_PATH, "read", source.Port(), "-o", config, "--delay", "0"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
  }

  ChildProcess station({T418_CTL_PATH, "station", config, "--match", ports + "/line*", "--report", report,
                        "--delay", "0", "--log", (folder.path() / "logs").string()});

  // A terminal plugged in and left there is provisioned once.
  SimProcess first({"--name", "line-a", "--imei", kSimImei, "--iccid", kSimIccid});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 1, 60s)) << "the first terminal was not provisioned";

  // A terminal that dies in the middle of its write gives a failed record.
  const std::string doomedLog = (folder.path() / "doomed.log").string();
  SimProcess doomed({"--name", "line-b", "--imei", kSimImei, "--iccid", kSimIccid, "--latency", "20", "--log", doomedLog});
  ASSERT_TRUE(WaitForWriting(doomedLog, 60s)) << "the write never began";
  ::kill(doomed.Pid(), SIGKILL);
  // Reaped at once, as a parent does: the port list takes a link whose simulator
  // is still a process (a zombie too) as plugged in, and the pseudo-terminal
  // number behind the link may serve another program by now.
  doomed.Stop();
  ASSERT_TRUE(testing::WaitForReportRecords(report, 2, 30s)) << "the killed terminal was not recorded";

  // The station goes on with the next one.
  SimProcess third({"--name", "line-c", "--imei", kSimImei, "--iccid", kSimIccid});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 3, 60s)) << "the third terminal was not provisioned";

  // Unplugged and plugged in again, the first counts as new: the station must
  // have looked at the list without it in between. Its link is gone once the
  // simulator has ended; of the looks that follow, the first may have begun
  // before that and the second may not have handled its list yet, so three.
  first.Stop();
  ASSERT_FALSE(std::filesystem::exists(ports + "/line-a"));
  // (Where the system tells of every port coming and going, nothing is looked at.)
  if (ChoosePortWatch(StationPortRequest(ports)).look) {
    FolderReads looks(ports);
    ASSERT_TRUE(testing::WaitUntil([&] { return looks.Count() >= 3; }, 30s))
        << "the station stopped looking at the port list";
  }
  SimProcess again({"--name", "line-a", "--imei", kSimImei, "--iccid", kSimIccid});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 4, 60s)) << "the terminal plugged in again was not provisioned";

  station.Signal(SIGINT);
  const ChildResult result = station.Wait();
  EXPECT_EQ(result.exitCode, 130) << result.err;

  const auto records = testing::ReportRecords(report);
  ASSERT_EQ(records.size(), 4u) << result.out;
  const std::string expectedPorts[] = {ports + "/line-a", ports + "/line-b", ports + "/line-c", ports + "/line-a"};
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto& record = records[i];
    SCOPED_TRACE(record.dump());
    EXPECT_EQ(record["port"], expectedPorts[i]);
    EXPECT_EQ(record["configFile"], config);
    EXPECT_EQ(record["configSha256"].get<std::string>().size(), 64u);
    EXPECT_EQ(record["imei"], kSimImei);
    EXPECT_EQ(record["iccid"], kSimIccid);
    EXPECT_EQ(record["firmwareBefore"], "V1.0.5");
    EXPECT_EQ(record["time"].get<std::string>().size(), 20u);  // 2026-01-02T03:04:05Z
    EXPECT_GT(record["seconds"].get<double>(), 0.0);
    EXPECT_TRUE(record["refused"].empty());
    if (i == 1) {
      EXPECT_EQ(record["result"], "failed");
      EXPECT_EQ(record["failedStep"], "write");
    } else {
      EXPECT_EQ(record["result"], "ok");
      EXPECT_EQ(record["firmwareAfter"], "V1.0.5");
    }
  }
  // One line per terminal on standard output.
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4) << result.out;
  EXPECT_NE(result.err.find("station stopped: 4 terminals, 1 failed"), std::string::npos) << result.err;
}

TEST(T418ctlStation, ATerminalPluggedBackAtOnceIsProvisionedAgain) {
  testing::StationBench bench;
  const std::string& ports = bench.ports;
  const std::string& config = bench.config;
  const std::string report = bench.Path("report.jsonl");

  ChildProcess station({T418_CTL_PATH, "station", config, "--report", report, "--delay", "0", "--match",
                        ports + "/quick*"});
  auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--name", "quick1"});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 1, 60s)) << "the terminal was not provisioned";
  // Pulled and plugged back far faster than the port list is looked at.
  const auto pulled = std::chrono::steady_clock::now();
  sim->Stop();
  sim = std::make_unique<SimProcess>(std::vector<std::string>{"--name", "quick1"});
  const auto back = std::chrono::steady_clock::now() - pulled;
  ASSERT_TRUE(testing::WaitForReportRecords(report, 2, 60s))
      << "the terminal plugged back after " << std::chrono::duration_cast<std::chrono::milliseconds>(back).count()
      << " ms was taken as the one before";
  station.Signal(SIGINT);
  const ChildResult result = station.Wait();
  EXPECT_NE(result.err.find("t418ctl: station: watching ports by inotify on " + ports), std::string::npos)
      << result.err;
  const auto records = testing::ReportRecords(report);
  ASSERT_EQ(records.size(), 2u) << result.err;
  EXPECT_EQ(records[0]["port"], ports + "/quick1");
  EXPECT_EQ(records[1]["port"], ports + "/quick1");
  EXPECT_EQ(records[1]["result"], "ok");
}

TEST(T418ctlStation, ASignalClosesTheRunningJobAndRecordsIt) {
  testing::StationBench bench;
  const std::string& ports = bench.ports;
  const std::string& config = bench.config;
  const std::string report = bench.Path("report.jsonl");

  ChildProcess station({T418_CTL_PATH, "station", config, "--report", report, "--delay", "0", "--match",
                        ports + "/*"});
  const std::string simLog = bench.Path("slow.log");
  SimProcess slow({"--name", "slow", "--latency", "200", "--log", simLog});
  // The job runs its read once the terminal got its first query.
  ASSERT_TRUE(testing::WaitUntil([&] { return !testing::ReadLines(simLog).empty(); }, 30s))
      << "the station never started a job for the terminal";
  station.Signal(SIGTERM);
  const ChildResult result = station.Wait();
  EXPECT_EQ(result.exitCode, 130) << result.err;
  const auto records = testing::ReportRecords(report);
  ASSERT_EQ(records.size(), 1u) << result.err;
  EXPECT_EQ(records[0]["result"], "failed");
  EXPECT_EQ(records[0]["port"], ports + "/slow");
  EXPECT_EQ(records[0]["reason"], "the station was stopped");
}

// A report that cannot take a record (here a file size limit on the station)
// is said loudly; the record waits, no half line stays, and it goes in whole,
// before the next one, once the file takes records again.
TEST(T418ctlStation, ARecordTheReportCannotTakeWaitsAndIsWrittenWholeLater) {
  testing::StationBench bench;
  const std::string& ports = bench.ports;
  const std::string& config = bench.config;
  const std::string report = bench.Path("report.jsonl");

  ChildProcess station({T418_CTL_PATH, "station", config, "--report", report, "--delay", "0", "--match",
                        ports + "/full*"});
  ASSERT_TRUE(station.WaitForError("waiting for terminals", 20s)) << "the station did not start";
  // From now on the station's files may hold 64 bytes, less than one record.
  rlimit unlimited{};
  ASSERT_EQ(::prlimit(station.Pid(), RLIMIT_FSIZE, nullptr, &unlimited), 0);
  const rlimit small{64, unlimited.rlim_max};
  ASSERT_EQ(::prlimit(station.Pid(), RLIMIT_FSIZE, &small, nullptr), 0);

  SimProcess first({"--name", "full1", "--imei", kSimImei, "--iccid", kSimIccid});
  ASSERT_TRUE(station.WaitForError("records not written yet", 60s)) << "the lost record was not said";
  ASSERT_TRUE(station.WaitForOutput(ports + "/full1", 5s)) << "the terminal was not provisioned";
  EXPECT_EQ(std::filesystem::file_size(report), 0u) << "a part of the record stayed in the report";

  // The file takes records again: the waiting one goes in with the next.
  ASSERT_EQ(::prlimit(station.Pid(), RLIMIT_FSIZE, &unlimited, nullptr), 0);
  SimProcess second({"--name", "full2", "--imei", kSimImei, "--iccid", kSimIccid});
  ASSERT_TRUE(testing::WaitForReportRecords(report, 2, 60s)) << "the records were not written";

  station.Signal(SIGINT);
  const ChildResult result = station.Wait();
  EXPECT_EQ(result.exitCode, 130) << result.err;
  EXPECT_NE(result.err.find("t418ctl: WARNING: cannot write the report " + report + " ("), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("1 records not written yet"), std::string::npos) << result.err;
  const auto records = testing::ReportRecords(report);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["port"], ports + "/full1");
  EXPECT_EQ(records[1]["port"], ports + "/full2");
  for (const auto& record : records) {
    EXPECT_EQ(record["result"], "ok") << record.dump();
    EXPECT_EQ(record["imei"], kSimImei) << record.dump();
  }
  // Whole lines only: two line ends, the last one closing the file.
  std::ifstream in(report, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 2);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.back(), '\n');
}

TEST(T418ctlStation, UnreadableFilesStopItBeforeItWaits) {
  const ChildResult config = testing::RunProgram({T418_CTL_PATH, "station", "/nonexistent/line.ini"});
  EXPECT_EQ(config.exitCode, 13);
  EXPECT_NE(config.err.find("cannot read the configuration file"), std::string::npos) << config.err;
  const ChildResult firmware = testing::RunProgram(
      {T418_CTL_PATH, "station", std::string(T418_SOURCE_DIR) + "/README.md", "--upgrade", "/nonexistent/fw.bin"});
  EXPECT_EQ(firmware.exitCode, 9);
  EXPECT_NE(firmware.err.find("cannot read the firmware file"), std::string::npos) << firmware.err;
}

}  // namespace
}  // namespace t418
