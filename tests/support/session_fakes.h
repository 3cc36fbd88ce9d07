#pragma once
// Fakes for driving the session engine byte by byte: a line that records what
// was written, a reply timer and a scheduler on a fake clock, and the log fakes.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lang/text_lookup.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "session/session.h"
#include "session/session_engine.h"

namespace t418::testing {

class FakeClock {
 public:
  long now = 0;  // ms
};

class FakeLine : public ByteSink {
 public:
  bool open = true;
  std::vector<std::string> written;
  bool PortOpen() const override { return open; }
  void SendData(const std::string& bytes) override { written.push_back(bytes); }
};

class FakeReplyTimer : public ReplyTimer {
 public:
  explicit FakeReplyTimer(FakeClock& clock) : clock_(clock) {}
  void SetInterval(int ms) override { interval_ = ms; }
  int Interval() const override { return interval_; }
  void Start() override {
    if (!active_) dueAt_ = clock_.now + interval_;
    active_ = true;
  }
  void Stop() override { active_ = false; }
  bool Active() const override { return active_; }
  long DueAt() const { return dueAt_; }

 private:
  FakeClock& clock_;
  int interval_ = 5000;
  bool active_ = false;
  long dueAt_ = 0;
};

class FakeScheduler : public Scheduler {
 public:
  explicit FakeScheduler(FakeClock& clock) : clock_(clock) {}
  void RunAfter(int ms, std::function<void()> task) override {
    tasks_.push_back({clock_.now + ms, seq_++, std::move(task)});
  }
  bool Empty() const { return tasks_.empty(); }
  // Runs the earliest task due at or before `until`; false when there is none.
  bool RunOneDue(long until) {
    auto best = tasks_.end();
    for (auto it = tasks_.begin(); it != tasks_.end(); ++it)
      if (it->due <= until && (best == tasks_.end() || it->due < best->due ||
                               (it->due == best->due && it->seq < best->seq)))
        best = it;
    if (best == tasks_.end()) return false;
    auto task = std::move(best->task);
    if (best->due > clock_.now) clock_.now = best->due;
    tasks_.erase(best);
    task();
    return true;
  }

 private:
  struct Task {
    long due;
    long seq;
    std::function<void()> task;
  };
  FakeClock& clock_;
  std::vector<Task> tasks_;
  long seq_ = 0;
};

// Catalogue names resolve to a readable stand-in ("<info_DoOver>").
class BracketTexts : public TextLookup {
 public:
  std::string LangText(std::string_view name) const override { return "<" + std::string(name) + ">"; }
};

class RecordingSessionView : public SessionView {
 public:
  std::vector<std::pair<int, int>> shown;
  int hidden = 0;
  int identityChanges = 0;
  void ShowProgress(int total, int done) override { shown.emplace_back(total, done); }
  void HideProgress() override { ++hidden; }
  void IdentityCmdChanged() override { ++identityChanges; }
};

class RecordingReports : public ReportConsumer {
 public:
  std::vector<std::pair<std::string, std::string>> reports;
  void ApplyReport(const std::string& name, const std::string& value) override {
    reports.emplace_back(name, value);
  }
};

// Everything an engine needs, wired together, with time under the test's control.
struct EngineRig {
  FakeClock clock;
  FakeLine line;
  FakeReplyTimer timer{clock};
  FakeScheduler scheduler{clock};
  OrderList orders;
  ValueList values;
  HardwareSign hardware;
  FixedLogClock logClock;
  TrafficLog log{logClock};
  RecordingLogView logView;
  BracketTexts texts;
  RecordingSessionView view;
  RecordingReports reports;
  SessionEngine engine{SessionParts{orders, values, hardware, log, texts, line, timer, scheduler}};

  EngineRig() {
    log.SetView(&logView);
    engine.SetView(&view);
    engine.SetReportConsumer(&reports);
  }

  // Lets time pass: scheduled pauses end and the reply timer fires when due.
  void Advance(long ms) {
    const long until = clock.now + ms;
    for (;;) {
      const bool timerDue = timer.Active() && timer.DueAt() <= until;
      // The earlier of a scheduled task and the timer goes first.
      if (timerDue) {
        if (scheduler.RunOneDue(timer.DueAt())) continue;
        clock.now = std::max(clock.now, timer.DueAt());
        timer.Stop();
        engine.ReplyTimeout();
        continue;
      }
      if (!scheduler.RunOneDue(until)) break;
    }
    clock.now = until;
  }

  // Lines written since the last call.
  std::vector<std::string> TakeWritten() {
    auto out = std::move(line.written);
    line.written.clear();
    return out;
  }
};

// A session's listener that keeps the messages it was shown.
class MessageRecorder : public SessionListener {
 public:
  std::vector<std::string> messages;
  void PortStateChanged(bool) override {}
  void ShowProgress(int, int) override {}
  void HideProgress() override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

}  // namespace t418::testing
