#pragma once
// A small event loop for end-to-end tests without Qt: it runs what the serial
// component posts, the scheduled pauses and the reply timer, on the test's
// thread, against the real clock.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "serial/dispatcher.h"
#include "session/engine_ports.h"

namespace t418::testing {

class RealTimeLoop : public Dispatcher, public Scheduler {
 public:
  using Clock = std::chrono::steady_clock;

  void Post(std::function<void()> task) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      posted_.push_back(std::move(task));
    }
    wake_.notify_all();
  }

  void RunAfter(int ms, std::function<void()> task) override {
    timed_.emplace(Clock::now() + std::chrono::milliseconds(ms), std::move(task));
  }

  // A one-shot reply timer on this loop; its owner sets onFire.
  class Timer : public ReplyTimer {
   public:
    explicit Timer(RealTimeLoop& loop) : loop_(loop) {}
    std::function<void()> onFire;
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }
    void Start() override {
      if (active_) return;
      active_ = true;
      const auto generation = ++generation_;
      loop_.RunAfter(interval_, [this, generation] {
        if (!active_ || generation != generation_) return;
        active_ = false;
        if (onFire) onFire();
      });
    }
    void Stop() override { active_ = false; }
    bool Active() const override { return active_; }

   private:
    RealTimeLoop& loop_;
    int interval_ = 1000;
    bool active_ = false;
    unsigned generation_ = 0;
  };

  // Runs everything as it becomes due until done() holds or the time is up.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto giveUp = Clock::now() + limit;
    while (!done()) {
      const auto now = Clock::now();
      if (now >= giveUp) return false;
      if (!timed_.empty() && timed_.begin()->first <= now) {
        auto task = std::move(timed_.begin()->second);
        timed_.erase(timed_.begin());
        task();
        continue;
      }
      std::unique_lock<std::mutex> lock(mutex_);
      if (posted_.empty()) {
        auto until = giveUp;
        if (!timed_.empty() && timed_.begin()->first < until) until = timed_.begin()->first;
        wake_.wait_until(lock, until, [this] { return !posted_.empty(); });
        if (posted_.empty()) continue;
      }
      auto task = std::move(posted_.front());
      posted_.pop_front();
      lock.unlock();
      task();
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> posted_;
  std::multimap<Clock::time_point, std::function<void()>> timed_;
};

}  // namespace t418::testing
