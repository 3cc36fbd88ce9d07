#include "loop/event_loop.h"

namespace t418 {

void LoopTimer::Start() {
  if (state_->active) return;
  state_->active = true;
  const auto generation = ++state_->generation;
  std::weak_ptr<State> weak = state_;
  scheduler_.RunAfter(interval_, [this, weak, generation] {
    const auto state = weak.lock();
    if (!state || !state->active || state->generation != generation) return;
    state->active = false;
    if (onFire_) onFire_();
  });
}

}  // namespace t418
