#pragma once
// Hands a task to the thread that owns a serial component. The worker threads of
// the component call Post; the owner runs each task later, on its own thread, in
// the order of the posts. The app posts with a queued call into its event loop;
// tests keep a queue that they drain.
#include <functional>

namespace t418 {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Called from any thread; must not run the task before returning.
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace t418
