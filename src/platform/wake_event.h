#pragma once
// A flag one thread (or a signal handler) raises and another waits for: what
// wakes an event loop that sleeps, and what tells the serial line's threads to
// stop. Raising is safe in a signal handler.
#include <cstdint>

namespace t418::platform {

class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  // False when the system gave no event: raising and waiting then do nothing.
  bool Valid() const { return native_ >= 0; }
  // Raises the flag; it stays raised until Clear. Safe in a signal handler.
  void Raise() const;
  // Whether the flag is raised, without lowering it.
  bool Raised() const;
  // Lowers the flag.
  void Clear() const;
  // Waits until the flag is raised or timeoutMs have passed (-1: no limit),
  // then lowers it. True when it was raised.
  bool WaitAndClear(int timeoutMs) const;

  // The system's object behind the event, for the backends' own waits and for
  // a front end's notifier that watches it for reading.
  std::intptr_t Native() const { return native_; }

 private:
  std::intptr_t native_ = -1;
};

}  // namespace t418::platform
