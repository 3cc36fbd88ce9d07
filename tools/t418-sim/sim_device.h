#pragma once
// The whole simulated terminal: the command side or the boot loader, whichever
// runs, with the reply latency and the timed output (the boot menu when a
// program opens the port, the boot loader's "C" requests).
//
// The boot menu goes out when a program opens the port while the boot loader
// waits at its menu, after a short settling time. Programs purge the line
// when they open it, which would throw away a menu printed too early, so a
// purge seen while the menu is still unanswered prints it again shortly after.
#include <optional>
#include <string_view>

#include "t418-sim/boot_loader.h"
#include "t418-sim/sim_types.h"
#include "t418-sim/terminal_model.h"

namespace t418::sim {

class SimDevice {
 public:
  static constexpr Millis kOpenSettleMs = 100;
  static constexpr Millis kAfterPurgeMs = 20;

  SimDevice(TerminalModel& terminal, BootLoader& loader, int latencyMs, bool startInBootLoader);

  Emissions Receive(std::string_view bytes, Millis now);
  Emissions Tick(Millis now);
  std::optional<Millis> NextDeadline() const;

  // Another program opened or closed the port.
  void PortOpened(Millis now);
  void PortClosed();
  // How many other programs hold the port open now.
  int Openers() const { return openers_; }
  // Opens and closes cannot be seen: every purge at the unanswered menu prints it.
  void SetOpenTracking(bool on) { openTracking_ = on; }
  // The line was purged from the port's side.
  void LinePurged(Millis now);

  // A restart with the Reload key held: the boot loader prints its menu at once.
  Emissions RestartIntoBootLoader();

  bool InBootLoader() const { return inBootLoader_; }

 private:
  bool AtMenu() const { return inBootLoader_ && loader_.state() == BootLoader::State::Menu; }
  bool SomeoneListens() const { return openers_ > 0 || !openTracking_; }
  Emissions WithLatency(Emissions out) const;

  TerminalModel& terminal_;
  BootLoader& loader_;
  int latencyMs_;
  bool inBootLoader_;
  int openers_ = 0;
  bool openTracking_ = true;
  std::optional<Millis> menuDue_;
  bool menuAnswered_ = false;
};

}  // namespace t418::sim
