// Stop requests as console control events: Ctrl+C and Ctrl+Break are the
// interrupt, closing the console window is the hang-up, a logoff or shutdown
// is the request to end. The numbers handed on are the POSIX signal numbers,
// so exit statuses are the same on every system.
#include "platform/signals.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

namespace t418::platform {
namespace {

constexpr int kInterrupt = 2;
constexpr int kHangUp = 1;
constexpr int kEnd = 15;

std::atomic<StopHandler> stopHandler{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const StopHandler handler = stopHandler.load();
  if (handler == nullptr) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      handler(kInterrupt);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      handler(event == CTRL_CLOSE_EVENT ? kHangUp : kEnd);
      // The system ends the process as soon as this returns: give the
      // program the time it allows (5 s) to close cleanly and exit itself.
      ::Sleep(4500);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void CatchStopRequests(StopHandler handler, SignalCalls) {
  // Windows has no interrupted calls: the program's waits end on its own wake events.
  stopHandler.store(handler);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void RestoreStopRequests() {
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  stopHandler.store(nullptr);
}

// Windows has no file-size signal: a write past a limit fails with an error.
void IgnoreFileSizeLimitSignal() {}

void ExitNow(int status) { std::_Exit(status); }

}  // namespace t418::platform
