#pragma once
// The small interfaces through which the session engine meets the world.
// The app implements them with Qt and the serial component; tests with fakes.
#include <functional>
#include <string>

namespace t418 {

class OrderList;

// Where command lines and bytes go: the open serial port.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool PortOpen() const = 0;
  // Hands the bytes over without waiting for them to go out.
  virtual void SendData(const std::string& bytes) = 0;
};

// The reply timer. Start does not restart a running timer; Stop then Start does.
// When it fires, its owner calls SessionEngine::ReplyTimeout on the engine's thread.
class ReplyTimer {
 public:
  virtual ~ReplyTimer() = default;
  virtual void SetInterval(int ms) = 0;
  virtual int Interval() const = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
};

// Runs a task later on the engine's thread (the pause before a command line).
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  virtual void RunAfter(int ms, std::function<void()> task) = 0;
};

// Takes every report (name, value) the engine parsed, in arrival order.
class ReportConsumer {
 public:
  virtual ~ReportConsumer() = default;
  virtual void ApplyReport(const std::string& name, const std::string& value) = 0;
};

// Turns the parameter view into the setting lines of a full write.
class ConfigurationBuilder {
 public:
  virtual ~ConfigurationBuilder() = default;
  // Replaces the order list's lines; leaves it empty when the view is refused.
  virtual void BuildConfiguration(OrderList& orders) = 0;
};

// The firmware upgrade's share of the received traffic.
class UpgradeHandler {
 public:
  virtual ~UpgradeHandler() = default;
  // A firmware file is armed: only then are the boot loader's menu ("F") and
  // update prompt ("Y") answered.
  virtual bool Armed() const = 0;
  // The boot menu arrived while nothing is armed and was left unanswered: the
  // user is told so, once for a boot loader that prints its menu again.
  virtual void BootMenuUnanswered() = 0;
  // Non-zero while a transfer runs; then every chunk goes to HandleUpgradeReply.
  virtual int XModemState() const = 0;
  // The boot loader confirmed the update: state 1, the packet timer on.
  virtual void StartTransfer() = 0;
  virtual void HandleUpgradeReply(const std::string& chunk) = 0;
};

// What the window shows of a run, besides the log.
class SessionView {
 public:
  virtual ~SessionView() = default;
  virtual void ShowProgress(int total, int done) = 0;
  virtual void HideProgress() = 0;
  // The identity command changed: the identity registration type is renamed.
  virtual void IdentityCmdChanged() = 0;
  // A run of the order list reached its end (its last line answered or
  // refused), or was given up (no answer, stopped, the port closed or lost).
  // Not completed: given up, or a read whose queries were not all answered.
  virtual void RunEnded(bool completed) { (void)completed; }
  // A run started (true) or is over (false), after RunEnded.
  virtual void RunStateChanged(bool running) { (void)running; }
};

}  // namespace t418
