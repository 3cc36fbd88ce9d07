// The sums of the statistics and the CSV form of records, apart from any database.
#include <gtest/gtest.h>

#include "gbk_texts.h"
#include "records/record_csv.h"
#include "records/record_stats.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;
using testing::G;

std::vector<std::chrono::milliseconds> Ms(std::initializer_list<int> values) {
  std::vector<std::chrono::milliseconds> list;
  for (const int v : values) list.emplace_back(v);
  return list;
}

TEST(DurationPercentiles, MedianAndNearestRank95thOfSmallTablesWorkedByHand) {
  const struct {
    std::vector<std::chrono::milliseconds> durations;
    int median, p95;
  } cases[] = {
      {{}, 0, 0},
      {Ms({7}), 7, 7},
      {Ms({9, 1}), 5, 9},
      {Ms({30, 10, 20}), 20, 30},
      // 20 values: rank ceil(19) = 19; 21 values: rank ceil(19.95) = 20.
      {Ms({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}), 10, 19},
      {Ms({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 1000}), 11, 20},
      {Ms({100, 100, 100, 5000}), 100, 5000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MedianDuration(c.durations).count(), c.median) << c.durations.size() << " values";
    EXPECT_EQ(P95Duration(c.durations).count(), c.p95) << c.durations.size() << " values";
  }
}

TEST(RecordTimes, DaysAndTimesAreUtcAndPadded) {
  const RecordTime at = RecordTime(std::chrono::sys_days{std::chrono::year{2027} / 1 / 2}) + 3h + 4min + 5s + 999ms;
  EXPECT_EQ(UtcDay(at), "2027-01-02");
  EXPECT_EQ(UtcTimeText(at), "2027-01-02 03:04:05 UTC");
  EXPECT_EQ(UtcDay(RecordTime(std::chrono::sys_days{std::chrono::year{2027} / 1 / 1}) - 1ms), "2026-12-31");
}

TEST(RecordsCsv, AHeaderThenOneUtf8RowPerRecordQuotedWhereAFieldNeedsIt) {
  ProvisionRecord r;
  r.station = G("装配线一");
  r.slot = "usb-1.2";
  r.port = "/dev/ttyUSB0";
  r.imei = "861";
  r.iccid = "8986";
  r.serialNumber = "SN1";
  r.attempt = 2;
  r.startedAt = RecordTime(std::chrono::sys_days{std::chrono::year{2026} / 12 / 11}) + 8h;
  r.duration = 41250ms;
  r.ok = false;
  r.failedStep = "verify";
  r.failure = "differences";
  r.reason = G("值不同, \"服务器\"\n第二行");
  r.differences = {"AT+A=1,2", "AT+B=3"};
  r.refused = {"QCITY"};
  r.duplicatesAllowed = true;
  ProvisionRecord passed;
  passed.ok = true;
  passed.startedAt = r.startedAt;
  EXPECT_EQ(RecordsCsv({r, passed}),
            "started_at,station,slot,operator,port,imei,meid,iccid,serial_number,attempt,result,failed_step,failure,"
            "reason,seconds,firmware_before,firmware_after,config_file,config_sha256,settings_sent,refused,"
            "differences,not_compared,traffic_log,duplicates_allowed\r\n"
            "2026-12-11 08:00:00 UTC,装配线一,usb-1.2,,/dev/ttyUSB0,861,,8986,SN1,2,failed,verify,differences,"
            "\"值不同, \"\"服务器\"\"\n第二行\",41.250,,,,,0,QCITY,\"AT+A=1,2; AT+B=3\",,,yes\r\n"
            "2026-12-11 08:00:00 UTC,,,,,,,,,1,ok,,,,0.000,,,,,0,,,,,no\r\n");
}

TEST(RecordOfJob, TakesTheJobsOutcomeWithSettingLinesWithoutTheirLineEnds) {
  JobResult job;
  job.port = "/dev/ttyUSB1";
  job.identity = {"861", "", "8986"};
  job.failure = JobFailure::Differences;
  job.failedStep = JobStep::Verify;
  job.reason = "the terminal holds other values";
  job.duration = 1500ms;
  job.differences = {"AT+HEART=ON,60\r\n"};
  job.refusedNames = {"QCITY"};
  job.settingsSent = 12;
  const ProvisionRecord failed = RecordOfJob(job);
  EXPECT_EQ(failed.port, "/dev/ttyUSB1");
  EXPECT_EQ(failed.ModemId(), "861");
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.failedStep, "verify");
  EXPECT_EQ(failed.failure, "differences");
  EXPECT_EQ(failed.differences, std::vector<std::string>{"AT+HEART=ON,60"});
  EXPECT_EQ(failed.refused, std::vector<std::string>{"QCITY"});
  EXPECT_EQ(failed.duration, 1500ms);
  EXPECT_EQ(failed.settingsSent, 12);
  JobResult passed;
  passed.identity.meid = "A100";
  const ProvisionRecord ok = RecordOfJob(passed);
  EXPECT_TRUE(ok.ok);
  EXPECT_EQ(ok.failedStep, "");
  EXPECT_EQ(ok.failure, "");
  EXPECT_EQ(ok.ModemId(), "A100");
}

}  // namespace
}  // namespace t418
