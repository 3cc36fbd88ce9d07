#include "app/close_on_signal.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#endif
#include <atomic>
#include <memory>

#include "platform/signals.h"
#include "platform/wake_event.h"

namespace t418 {
namespace {

std::unique_ptr<platform::WakeEvent> stopRequested;
std::atomic<int> signalsSeen{0};

void OnStopRequest(int number) {
  // The second request does not wait for the window.
  if (signalsSeen.fetch_add(1) > 0) platform::ExitNow(128 + number);
  stopRequested->Raise();
}

}  // namespace

CloseOnSignal::CloseOnSignal(QWidget* window) {
  stopRequested = std::make_unique<platform::WakeEvent>();
  if (!stopRequested->Valid()) {
    stopRequested.reset();
    return;
  }
  QPointer<QWidget> target(window);
  const auto closeWindow = [target] {
    if (stopRequested) stopRequested->Clear();
    if (target) target->close();
  };
#ifdef Q_OS_WIN
  // There the event is an event object, not a descriptor: Qt watches it with its own notifier.
  auto* notifier = new QWinEventNotifier(reinterpret_cast<Qt::HANDLE>(stopRequested->Native()), this);
  connect(notifier, &QWinEventNotifier::activated, this, closeWindow);
#else
  auto* notifier = new QSocketNotifier(static_cast<qintptr>(stopRequested->Native()), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, closeWindow);
#endif
  platform::CatchStopRequests(OnStopRequest, platform::SignalCalls::Restart);
}

CloseOnSignal::~CloseOnSignal() {
  if (!stopRequested) return;
  platform::RestoreStopRequests();
  stopRequested.reset();
}

}  // namespace t418
