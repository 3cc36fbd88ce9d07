#include "records/record_stats.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

namespace t418 {

using std::chrono::milliseconds;

milliseconds MedianDuration(std::vector<milliseconds> durations) {
  if (durations.empty()) return milliseconds(0);
  std::sort(durations.begin(), durations.end());
  const std::size_t n = durations.size();
  if (n % 2 == 1) return durations[n / 2];
  return (durations[n / 2 - 1] + durations[n / 2]) / 2;
}

milliseconds P95Duration(std::vector<milliseconds> durations) {
  if (durations.empty()) return milliseconds(0);
  std::sort(durations.begin(), durations.end());
  // Nearest rank: the smallest value with at least 95% of the values at or below it.
  const std::size_t rank = (durations.size() * 95 + 99) / 100;
  return durations[std::max<std::size_t>(rank, 1) - 1];
}

std::string UtcDay(RecordTime at) {
  const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(at)};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return text;
}

std::string UtcTimeText(RecordTime at) {
  const auto day = std::chrono::floor<std::chrono::days>(at);
  const std::chrono::hh_mm_ss time{std::chrono::floor<std::chrono::seconds>(at - day)};
  char text[16];
  std::snprintf(text, sizeof text, " %02d:%02d:%02d UTC", static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
  return UtcDay(at) + text;
}

std::vector<StationDayStats> StatsOfRuns(const std::vector<RunFacts>& runs) {
  std::map<std::pair<std::string, std::string>, std::pair<StationDayStats, std::vector<milliseconds>>> groups;
  for (const auto& run : runs) {
    auto& [stats, durations] = groups[{run.station, UtcDay(run.startedAt)}];
    if (run.ok) {
      ++stats.passed;
      durations.push_back(run.duration);
    } else {
      ++stats.failed;
      ++stats.failedBySteps[run.failedStep];
    }
  }
  std::vector<StationDayStats> all;
  for (auto& [key, group] : groups) {
    auto& [stats, durations] = group;
    stats.station = key.first;
    stats.day = key.second;
    stats.medianDuration = MedianDuration(durations);
    stats.p95Duration = P95Duration(std::move(durations));
    all.push_back(std::move(stats));
  }
  return all;
}

}  // namespace t418
