#include "app/close_on_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <atomic>
#include <csignal>

namespace t418 {
namespace {

int signalPipe[2] = {-1, -1};
std::atomic<int> signalsSeen{0};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int number) {
  // The second signal does not wait for the window.
  if (signalsSeen.fetch_add(1) > 0) _exit(128 + number);
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

}  // namespace

CloseOnSignal::CloseOnSignal(QWidget* window) {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  QPointer<QWidget> target(window);
  connect(notifier, &QSocketNotifier::activated, this, [target] {
    char byte = 0;
    while (read(signalPipe[0], &byte, 1) > 0) {
    }
    if (target) target->close();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kSignals) sigaction(number, &action, nullptr);
}

CloseOnSignal::~CloseOnSignal() {
  for (int number : kSignals) std::signal(number, SIG_DFL);
  if (signalPipe[0] >= 0) close(signalPipe[0]);
  if (signalPipe[1] >= 0) close(signalPipe[1]);
  signalPipe[0] = signalPipe[1] = -1;
}

}  // namespace t418
