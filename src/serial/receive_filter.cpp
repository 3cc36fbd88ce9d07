#include "serial/receive_filter.h"

namespace t418 {

std::size_t ReceiveFilter::Apply(char* data, std::size_t n, bool markedErrors, char replacement,
                                 bool dropNull) {
  // Every input byte yields at most one output byte, so the output never
  // overtakes the input and the work can be done in place.
  if (!markedErrors) state_ = State::Plain;
  std::size_t out = 0;
  auto emit = [&](char c) {
    if (dropNull && c == '\0') return;
    data[out++] = c;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const char c = data[i];
    if (!markedErrors) {
      emit(c);
      continue;
    }
    switch (state_) {
      case State::Plain:
        if (static_cast<unsigned char>(c) == 0xFF) {
          state_ = State::SawFF;
        } else {
          emit(c);
        }
        break;
      case State::SawFF:
        if (c == '\0') {
          state_ = State::SawFF00;
        } else {
          // 0xFF 0xFF is a data byte 0xFF. Any other follower cannot come from
          // the driver; the lone mark byte is dropped and the byte kept.
          emit(c);
          state_ = State::Plain;
        }
        break;
      case State::SawFF00:
        emit(replacement);
        state_ = State::Plain;
        break;
    }
  }
  return out;
}

}  // namespace t418
