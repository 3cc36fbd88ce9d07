#pragma once
// Fakes for the traffic log's edges: a clock that always tells the same time
// and a view that records what the log shows.
#include <cstdint>
#include <string>
#include <vector>

#include "monitor/traffic_log.h"

namespace t418::testing {

class FixedLogClock : public LogClock {
 public:
  FixedLogClock() = default;
  explicit FixedLogClock(TimeOfDay at) : time(at) {}
  TimeOfDay time{14, 3, 27};
  TimeOfDay Now() const override { return time; }
};

struct LoggedEntry {
  LogPane pane;
  std::string text;
  LogColour colour;
};

class RecordingLogView : public LogView {
 public:
  std::vector<LoggedEntry> entries;
  int clears = 0;
  std::uint32_t received = 0, sent = 0;
  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    entries.push_back({pane, entry, colour});
  }
  void ClearPane(LogPane) override { ++clears; }
  void CountersChanged(std::uint32_t r, std::uint32_t s) override {
    received = r;
    sent = s;
  }
  // The entries of the text pane, in order.
  std::vector<LoggedEntry> TextEntries() const {
    std::vector<LoggedEntry> out;
    for (const auto& e : entries)
      if (e.pane == LogPane::Text) out.push_back(e);
    return out;
  }
  std::vector<std::string> TextsOf(LogColour colour) const {
    std::vector<std::string> out;
    for (const auto& e : entries)
      if (e.pane == LogPane::Text && e.colour == colour) out.push_back(e.text);
    return out;
  }
  int Count(const std::string& text) const {
    int n = 0;
    for (const auto& e : entries) n += (e.pane == LogPane::Text && e.text == text);
    return n;
  }
};

}  // namespace t418::testing
