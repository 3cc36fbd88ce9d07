#pragma once
// The transfer's tick timer (tmrXModemTx) on the core's loop: while active,
// calls onTick every period. Destroying it stops it.
#include <functional>
#include <memory>

#include "firmware/upgrade_ports.h"
#include "base/engine_ports.h"

namespace t418 {

class LoopTickTimer : public TickTimer {
 public:
  LoopTickTimer(Scheduler& scheduler, int periodMs, std::function<void()> onTick = {})
      : scheduler_(scheduler), periodMs_(periodMs), onTick_(std::move(onTick)) {}
  LoopTickTimer(const LoopTickTimer&) = delete;
  LoopTickTimer& operator=(const LoopTickTimer&) = delete;

  void SetOnTick(std::function<void()> onTick) { onTick_ = std::move(onTick); }
  void Start() override;
  void Stop() override { state_->active = false; }
  bool Active() const override { return state_->active; }

 private:
  struct State {
    bool active = false;
    unsigned long generation = 0;
  };
  void Arm(unsigned long generation);

  Scheduler& scheduler_;
  int periodMs_;
  std::function<void()> onTick_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace t418
