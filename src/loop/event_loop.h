#pragma once
// The event loop the core runs on: tasks posted from any thread, tasks run
// later on the loop's own thread, and one-shot timers built on those. The
// window runs the core on Qt's loop (QtEventLoop); programs without Qt on a
// poll() loop (PollLoop). Everything of a session runs on the loop's thread.
#include <functional>
#include <memory>

#include "base/dispatcher.h"
#include "base/engine_ports.h"

namespace t418 {

class EventLoop : public Dispatcher, public Scheduler {
 public:
  // Post (Dispatcher): from any thread, runs the task later on the loop's
  // thread, in the order of the posts.
  // RunAfter (Scheduler): from the loop's thread, runs the task once after at
  // least ms milliseconds; tasks due at the same time run in the order given.
  void RunLater(std::function<void()> task) { RunAfter(0, std::move(task)); }
};

// A one-shot timer on a loop. Start does not restart a running timer; Stop
// then Start does. Destroying the timer cancels it.
class LoopTimer : public ReplyTimer {
 public:
  LoopTimer(Scheduler& scheduler, int intervalMs, std::function<void()> onFire = {})
      : scheduler_(scheduler), interval_(intervalMs), onFire_(std::move(onFire)) {}
  LoopTimer(const LoopTimer&) = delete;
  LoopTimer& operator=(const LoopTimer&) = delete;

  void SetOnFire(std::function<void()> onFire) { onFire_ = std::move(onFire); }
  void SetInterval(int ms) override { interval_ = ms; }
  int Interval() const override { return interval_; }
  void Start() override;
  void Stop() override { ++state_->generation; state_->active = false; }
  bool Active() const override { return state_->active; }

 private:
  struct State {
    bool active = false;
    unsigned long generation = 0;
  };
  Scheduler& scheduler_;
  int interval_;
  std::function<void()> onFire_;
  // Shared with the scheduled task, which does nothing once the timer is gone.
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace t418
