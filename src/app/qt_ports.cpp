#include "app/qt_ports.h"

#include <QMetaObject>

namespace t418 {

QtReplyTimer::QtReplyTimer(std::function<void()> onFire) {
  timer_.setSingleShot(true);
  // Before the port was ever opened the period is one second.
  timer_.setInterval(1000);
  QObject::connect(&timer_, &QTimer::timeout, [fire = std::move(onFire)] { fire(); });
}

void QtReplyTimer::Start() {
  if (!timer_.isActive()) timer_.start();
}

void QtScheduler::RunAfter(int ms, std::function<void()> task) {
  if (!context_) return;
  QTimer::singleShot(ms < 0 ? 0 : ms, context_.data(), std::move(task));
}

void QtDispatcher::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

}  // namespace t418
