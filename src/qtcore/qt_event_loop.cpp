#include "qtcore/qt_event_loop.h"

#include <QMetaObject>
#include <QTimer>

namespace t418 {

void QtEventLoop::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

void QtEventLoop::RunAfter(int ms, std::function<void()> task) {
  QTimer::singleShot(ms < 0 ? 0 : ms, &context_, std::move(task));
}

}  // namespace t418
