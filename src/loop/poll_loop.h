#pragma once
// An event loop without Qt, for programs that link no Qt (t418ctl) and for
// tests: posted tasks wake it through a wake event (platform/wake_event.h),
// timed tasks wait in a queue
// ordered by their due time on the monotonic clock.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include "loop/event_loop.h"
#include "platform/wake_event.h"

namespace t418 {

class PollLoop : public EventLoop {
 public:
  using Clock = std::chrono::steady_clock;

  PollLoop();
  ~PollLoop() override;
  PollLoop(const PollLoop&) = delete;
  PollLoop& operator=(const PollLoop&) = delete;

  void Post(std::function<void()> task) override;
  void RunAfter(int ms, std::function<void()> task) override;

  // Runs tasks as they become due until Quit, or until Interrupt is called.
  void Run();
  void Quit();
  // Runs tasks as they become due until done() holds (checked after every
  // task), Quit or Interrupt, or the time is up. True when done() held.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  // Safe in a signal handler: marks the loop interrupted and wakes it.
  void Interrupt();
  bool Interrupted() const { return interrupted_.load(); }
  void ClearInterrupt() { interrupted_ = false; }

 private:
  // One task that is due, or nothing after waiting at most until `until`.
  bool RunOne(Clock::time_point until);
  void Wake();

  platform::WakeEvent wake_;
  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;
  std::multimap<Clock::time_point, std::function<void()>> timed_;
  bool quit_ = false;
  bool lastWasPosted_ = false;
  std::atomic<bool> interrupted_{false};
};

}  // namespace t418
