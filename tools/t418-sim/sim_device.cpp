#include "t418-sim/sim_device.h"

#include <algorithm>

namespace t418::sim {

SimDevice::SimDevice(TerminalModel& terminal, BootLoader& loader, int latencyMs,
                     bool startInBootLoader)
    : terminal_(terminal),
      loader_(loader),
      latencyMs_(latencyMs),
      inBootLoader_(startInBootLoader) {
  if (inBootLoader_) loader_.Enter();
}

Emissions SimDevice::WithLatency(Emissions out) const {
  for (auto& e : out)
    if (e.reply) e.delayMs += latencyMs_;
  return out;
}

Emissions SimDevice::Receive(std::string_view bytes, Millis now) {
  if (!inBootLoader_) return WithLatency(terminal_.Receive(bytes));

  menuAnswered_ = true;
  menuDue_.reset();
  const BootLoader::Result result = loader_.Receive(bytes, now);
  Emissions out;
  if (!result.reply.empty()) out.push_back({0, result.reply, true});
  if (result.exit != BootLoader::Exit::None) {
    inBootLoader_ = false;
    Append(out, terminal_.Restart());
  }
  return WithLatency(std::move(out));
}

Emissions SimDevice::Tick(Millis now) {
  Emissions out;
  if (menuDue_ && now >= *menuDue_) {
    menuDue_.reset();
    if (AtMenu() && SomeoneListens()) {
      out.push_back({0, kBootMenu, false});
      menuAnswered_ = false;
    }
  }
  if (inBootLoader_) {
    const bool wasAtMenu = AtMenu();
    std::string bytes = loader_.Tick(now);
    if (!bytes.empty()) {
      if (wasAtMenu) menuAnswered_ = false;  // the menu after an abort
      out.push_back({0, std::move(bytes), false});
    }
  }
  return out;
}

std::optional<Millis> SimDevice::NextDeadline() const {
  std::optional<Millis> next = menuDue_;
  if (inBootLoader_) {
    const auto loader = loader_.NextDeadline();
    if (loader && (!next || *loader < *next)) next = loader;
  }
  return next;
}

void SimDevice::PortOpened(Millis now) {
  ++openers_;
  if (AtMenu()) menuDue_ = now + kOpenSettleMs;
}

void SimDevice::PortClosed() {
  if (openers_ > 0) --openers_;
}

void SimDevice::LinePurged(Millis now) {
  if (!AtMenu() || menuAnswered_ || !SomeoneListens()) return;
  const Millis due = now + kAfterPurgeMs;
  menuDue_ = menuDue_ ? std::min(*menuDue_, due) : due;
}

Emissions SimDevice::RestartIntoBootLoader() {
  inBootLoader_ = true;
  menuDue_.reset();
  menuAnswered_ = false;
  return {Emission{0, loader_.Enter(), false}};
}

}  // namespace t418::sim
