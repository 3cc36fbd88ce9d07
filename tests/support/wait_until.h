#pragma once
// Waiting for something another thread or process brings about: the condition
// is checked every few milliseconds until it holds or the time is up, so a
// test waits as long as it must and no longer, and a slow machine only makes
// it slower, never wrong.
#include <chrono>
#include <thread>

namespace t418::testing {

// True as soon as condition() holds; false when it still does not once limit
// has passed (it is checked a last time then).
template <typename Condition>
bool WaitUntil(Condition&& condition, std::chrono::milliseconds limit,
               std::chrono::milliseconds every = std::chrono::milliseconds(10)) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= giveUp) return static_cast<bool>(condition());
    std::this_thread::sleep_for(every);
  }
  return true;
}

}  // namespace t418::testing
