#include "loop/poll_loop.h"

namespace t418 {

PollLoop::PollLoop() = default;

PollLoop::~PollLoop() = default;

void PollLoop::Wake() { wake_.Raise(); }

void PollLoop::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    posted_.push_back(std::move(task));
  }
  Wake();
}

void PollLoop::RunAfter(int ms, std::function<void()> task) {
  timed_.emplace(Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms), std::move(task));
}

void PollLoop::Interrupt() {
  interrupted_ = true;
  Wake();
}

void PollLoop::Quit() {
  quit_ = true;
  Wake();
}

bool PollLoop::RunOne(Clock::time_point until) {
  // Posted tasks first (they carry what arrived on the line), but a due timer
  // gets every other turn, so a flood of posts cannot starve it.
  std::function<void()> task;
  const bool timerDue = !timed_.empty() && timed_.begin()->first <= Clock::now();
  if (!(timerDue && lastWasPosted_)) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!posted_.empty()) {
      task = std::move(posted_.front());
      posted_.pop_front();
    }
  }
  lastWasPosted_ = static_cast<bool>(task);
  if (!task && timerDue) {
    task = std::move(timed_.begin()->second);
    timed_.erase(timed_.begin());
  }
  if (task) {
    task();
    return true;
  }
  if (!timed_.empty() && timed_.begin()->first < until) until = timed_.begin()->first;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
  wake_.WaitAndClear(wait < 0 ? 0 : static_cast<int>(wait > 60000 ? 60000 : wait));
  return false;
}

void PollLoop::Run() {
  quit_ = false;
  while (!quit_ && !interrupted_) RunOne(Clock::now() + std::chrono::hours(1));
}

bool PollLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  quit_ = false;
  const auto giveUp = Clock::now() + limit;
  while (!done()) {
    if (quit_ || interrupted_ || Clock::now() >= giveUp) return false;
    RunOne(giveUp);
  }
  return true;
}

}  // namespace t418
