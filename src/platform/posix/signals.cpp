// Stop requests as the signals SIGINT, SIGTERM and SIGHUP.
#include "platform/signals.h"

#include <signal.h>
#include <unistd.h>

namespace t418::platform {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

void CatchStopRequests(StopHandler handler, SignalCalls calls) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = calls == SignalCalls::Restart ? SA_RESTART : 0;
  for (int number : kStopSignals) sigaction(number, &action, nullptr);
}

void RestoreStopRequests() {
  for (int number : kStopSignals) ::signal(number, SIG_DFL);
}

void IgnoreFileSizeLimitSignal() { ::signal(SIGXFSZ, SIG_IGN); }

void ExitNow(int status) { _exit(status); }

}  // namespace t418::platform
