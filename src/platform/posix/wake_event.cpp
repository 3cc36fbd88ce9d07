// Wake events as eventfds: readable while raised.
#include "platform/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace t418::platform {

WakeEvent::WakeEvent() : native_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
  if (native_ >= 0) ::close(static_cast<int>(native_));
}

void WakeEvent::Raise() const {
  if (native_ < 0) return;
  const std::uint64_t one = 1;
  // A full counter still leaves the event raised; nothing else can fail here.
  while (::write(static_cast<int>(native_), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

bool WakeEvent::Raised() const {
  if (native_ < 0) return false;
  pollfd p{static_cast<int>(native_), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

void WakeEvent::Clear() const {
  if (native_ < 0) return;
  std::uint64_t count = 0;
  while (::read(static_cast<int>(native_), &count, sizeof count) < 0 && errno == EINTR) {
  }
}

bool WakeEvent::WaitAndClear(int timeoutMs) const {
  if (native_ < 0) {
    // Nothing can raise it: the wait is only a pause.
    ::poll(nullptr, 0, timeoutMs);
    return false;
  }
  pollfd p{static_cast<int>(native_), POLLIN, 0};
  const int ready = ::poll(&p, 1, timeoutMs);
  if (ready > 0 && (p.revents & POLLIN)) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(static_cast<int>(native_), &count, sizeof count);
    return true;
  }
  return false;
}

}  // namespace t418::platform
