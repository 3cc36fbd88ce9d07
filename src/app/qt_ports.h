#pragma once
// The session engine's and serial component's edges on Qt's event loop: the
// reply timer, the scheduler of the pause before a command line, and the
// dispatcher that brings the serial threads' events onto the window's thread.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "serial/dispatcher.h"
#include "session/engine_ports.h"

namespace t418 {

// A one-shot timer: Start keeps a running period, Stop then Start begins anew.
class QtReplyTimer : public ReplyTimer {
 public:
  explicit QtReplyTimer(std::function<void()> onFire);
  void SetInterval(int ms) override { timer_.setInterval(ms); }
  int Interval() const override { return timer_.interval(); }
  void Start() override;
  void Stop() override { timer_.stop(); }
  bool Active() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

// Runs tasks later on the context object's thread; tasks die with the context.
class QtScheduler : public Scheduler {
 public:
  explicit QtScheduler(QObject* context) : context_(context) {}
  void RunAfter(int ms, std::function<void()> task) override;

 private:
  QPointer<QObject> context_;
};

// Posts from any thread into the context object's event loop, in order.
class QtDispatcher : public Dispatcher {
 public:
  explicit QtDispatcher(QObject* context) : context_(context) {}
  void Post(std::function<void()> task) override;

 private:
  QObject* context_;
};

}  // namespace t418
