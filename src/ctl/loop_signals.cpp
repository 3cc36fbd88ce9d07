#include "ctl/loop_signals.h"

#include <atomic>
#include <csignal>

namespace t418::ctl {
namespace {

std::atomic<PollLoop*> runningLoop{nullptr};

void OnSignal(int) {
  if (PollLoop* loop = runningLoop.load()) loop->Interrupt();
}

}  // namespace

void CatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

bool RunLoopUntil(PollLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit) {
  PollLoop* previous = runningLoop.exchange(&loop);
  const bool held = loop.RunUntil(done, limit);
  runningLoop.store(previous);
  return held;
}

}  // namespace t418::ctl
