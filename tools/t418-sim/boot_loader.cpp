#include "t418-sim/boot_loader.h"

namespace t418::sim {
namespace {

// After an abort the menu waits this long, so that it does not join the CAN bytes.
constexpr Millis kMenuAfterAbortMs = 1000;

}  // namespace

std::string BootLoader::Enter() {
  state_ = State::Menu;
  menuAfterAbort_.reset();
  return kBootMenu;
}

BootLoader::Result BootLoader::Receive(std::string_view bytes, Millis now) {
  Result result;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    switch (state_) {
      case State::Menu:
        if (c == 'F' || c == 'f') {
          state_ = State::Prompt;
          menuAfterAbort_.reset();
          result.reply += kUpdatePrompt;
        } else if (c == 'G' || c == 'g') {
          result.reply += "G\r\n";
          result.exit = Exit::RunApplication;
          return result;
        } else if (c == 'R' || c == 'r') {
          result.reply += "R\r\n";
          result.exit = Exit::Restart;
          return result;
        } else if (c == '\r') {
          result.reply += kBootMenu;
        }
        break;
      case State::Prompt:
        if (c == 'Y' || c == 'y') {
          state_ = State::Transfer;
          receiver_.Start(now);
          result.reply += kUpdateConfirmation;
        } else if (c == 'N' || c == 'n') {
          state_ = State::Menu;
          result.reply += "N\r\n" + kBootMenu;
        }
        break;
      case State::Transfer:
        result.reply += receiver_.Feed(bytes.substr(i), now);
        Settle(now);
        return result;
    }
  }
  return result;
}

void BootLoader::Settle(Millis now) {
  switch (receiver_.status()) {
    case XModemReceiver::Status::Done:
      state_ = State::Menu;
      if (onImage) onImage(receiver_.image());
      break;
    case XModemReceiver::Status::Aborted:
      state_ = State::Menu;
      menuAfterAbort_ = now + kMenuAfterAbortMs;
      break;
    default:
      break;
  }
}

std::string BootLoader::Tick(Millis now) {
  if (state_ == State::Transfer) {
    std::string out = receiver_.Tick(now);
    Settle(now);
    return out;
  }
  if (state_ == State::Menu && menuAfterAbort_ && now >= *menuAfterAbort_) {
    menuAfterAbort_.reset();
    return kBootMenu;
  }
  return {};
}

std::optional<Millis> BootLoader::NextDeadline() const {
  if (state_ == State::Transfer) return receiver_.NextDeadline();
  if (state_ == State::Menu) return menuAfterAbort_;
  return std::nullopt;
}

}  // namespace t418::sim
