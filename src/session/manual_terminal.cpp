#include "session/manual_terminal.h"

#include "params/encodings.h"
#include "session/session_engine.h"

namespace t418 {
namespace {

bool StartsWithAt(const std::string& text) {
  return text.size() >= 2 && (text[0] == 'A' || text[0] == 'a') && (text[1] == 'T' || text[1] == 't');
}

}  // namespace

std::optional<std::string> SerialBytesToSend(const SendAreaState& area) {
  std::string text = area.text;
  if (area.autoCR && StartsWithAt(text) && text.back() != '\n') text += "\r\n";
  if (!area.hex) return text;
  return TryHexToText(text);
}

bool ManualTerminal::Send(const SendAreaState& area) {
  if (engine_.RefuseWhileRunning()) return false;
  engine_.pendingAction = PendingAction::PaNone;
  if (area.type == SendType::Sms) {
    SendSms(area.countryCode + area.phoneNumber, area.text);
    return true;
  }
  if (auto bytes = SerialBytesToSend(area)) engine_.SendBytes(*bytes);
  return true;
}

void ManualTerminal::SendSms(const std::string& phone, const std::string& text) {
  if (engine_.RefuseWhileRunning()) return;
  const std::string number = RemoveSpaces(phone);
  const std::string message = RemoveLineBreaks(text);
  if (number.empty() || message.empty()) return;
  engine_.SendSetCommand("SMSEND", number + "," + message);
}

std::string SwitchHexView(const std::string& text, bool hexOn) {
  if (hexOn) return TextToSpacedHex(text);
  return TryHexToText(text).value_or(text);
}

}  // namespace t418
