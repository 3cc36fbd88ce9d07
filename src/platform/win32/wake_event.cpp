// Wake events as manual-reset Win32 events: every waiter sees a raised flag
// until it is lowered.
#include "platform/wake_event.h"

#include <windows.h>

namespace t418::platform {
namespace {

HANDLE Handle(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

}  // namespace

WakeEvent::WakeEvent() {
  const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event != nullptr) native_ = reinterpret_cast<std::intptr_t>(event);
}

WakeEvent::~WakeEvent() {
  if (native_ >= 0) ::CloseHandle(Handle(native_));
}

void WakeEvent::Raise() const {
  if (native_ >= 0) ::SetEvent(Handle(native_));
}

bool WakeEvent::Raised() const { return native_ >= 0 && ::WaitForSingleObject(Handle(native_), 0) == WAIT_OBJECT_0; }

void WakeEvent::Clear() const {
  if (native_ >= 0) ::ResetEvent(Handle(native_));
}

bool WakeEvent::WaitAndClear(int timeoutMs) const {
  const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  if (native_ < 0) {
    // Nothing can raise it: the wait is only a pause.
    ::Sleep(wait);
    return false;
  }
  if (::WaitForSingleObject(Handle(native_), wait) != WAIT_OBJECT_0) return false;
  ::ResetEvent(Handle(native_));
  return true;
}

}  // namespace t418::platform
