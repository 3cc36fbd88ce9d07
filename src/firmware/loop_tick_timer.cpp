#include "firmware/loop_tick_timer.h"

namespace t418 {

void LoopTickTimer::Start() {
  if (state_->active) return;
  state_->active = true;
  Arm(++state_->generation);
}

void LoopTickTimer::Arm(unsigned long generation) {
  std::weak_ptr<State> weak = state_;
  scheduler_.RunAfter(periodMs_, [this, weak, generation] {
    const auto state = weak.lock();
    if (!state || !state->active || state->generation != generation) return;
    if (onTick_) onTick_();
    // The tick may have stopped the timer, or stopped and started it anew.
    if (state->active && state->generation == generation) Arm(generation);
  });
}

}  // namespace t418
