#pragma once
// The sums of the statistics, apart from any database: runs grouped by
// station and UTC day, and the median and 95th percentile of durations.
#include <chrono>
#include <string>
#include <vector>

#include "records/record_store.h"

namespace t418 {

// What the statistics need of one record.
struct RunFacts {
  std::string station;
  RecordTime startedAt{};
  bool ok = false;
  std::string failedStep;
  std::chrono::milliseconds duration{0};
};

// The median (the mean of the middle two for an even count) and the 95th
// percentile by nearest rank; both 0 for no durations.
std::chrono::milliseconds MedianDuration(std::vector<std::chrono::milliseconds> durations);
std::chrono::milliseconds P95Duration(std::vector<std::chrono::milliseconds> durations);

// "YYYY-MM-DD" of the moment's UTC day.
std::string UtcDay(RecordTime at);
// "YYYY-MM-DD HH:MM:SS UTC".
std::string UtcTimeText(RecordTime at);

// The runs per station and UTC day, ordered by station, then day.
std::vector<StationDayStats> StatsOfRuns(const std::vector<RunFacts>& runs);

}  // namespace t418
