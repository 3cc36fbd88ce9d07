#pragma once
// The core's event loop on Qt's (Qt Core only): posts become queued calls,
// timed tasks single-shot timers, both on the thread that created the loop.
#include <QObject>

#include "loop/event_loop.h"

namespace t418 {

class QtEventLoop : public EventLoop {
 public:
  QtEventLoop() = default;
  QtEventLoop(const QtEventLoop&) = delete;
  QtEventLoop& operator=(const QtEventLoop&) = delete;

  void Post(std::function<void()> task) override;
  void RunAfter(int ms, std::function<void()> task) override;

 private:
  // The context of every call: tasks still queued when the loop goes are dropped.
  QObject context_;
};

}  // namespace t418
