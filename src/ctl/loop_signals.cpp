#include "ctl/loop_signals.h"

#include <atomic>

#include "platform/signals.h"

namespace t418::ctl {
namespace {

std::atomic<PollLoop*> runningLoop{nullptr};

void OnSignal(int) {
  if (PollLoop* loop = runningLoop.load()) loop->Interrupt();
}

}  // namespace

void CatchSignals() {
  // A wait of the loop ends at once, so that the loop sees the interruption.
  platform::CatchStopRequests(OnSignal, platform::SignalCalls::Interrupt);
}

bool RunLoopUntil(PollLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit) {
  PollLoop* previous = runningLoop.exchange(&loop);
  const bool held = loop.RunUntil(done, limit);
  runningLoop.store(previous);
  return held;
}

}  // namespace t418::ctl
