#pragma once
// The signals that end a run (SIGINT, SIGTERM, SIGHUP) interrupt whichever
// poll loop of t418ctl runs.
#include <chrono>
#include <functional>

#include "loop/poll_loop.h"

namespace t418::ctl {

// From now on the signals interrupt the loop RunLoopUntil runs.
void CatchSignals();

// Runs a loop until done() holds, Quit, a signal, or the time is up; true when done() held.
bool RunLoopUntil(PollLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace t418::ctl
