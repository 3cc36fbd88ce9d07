#pragma once
// The send area under the log: what the user typed goes out at once, as text
// (with an optional line end), as hexadecimal bytes, or as an SMS that the
// terminal sends. The send box is never cleared by sending.
#include <optional>
#include <string>

namespace t418 {

class SessionEngine;

enum class SendType { SerialPort = 1, Sms = 2 };
enum class SendKey { Enter = 1, CtrlEnter = 2 };

struct SendAreaState {
  std::string text;  // the send box, lines joined by CR LF (GBK)
  SendType type = SendType::SerialPort;
  bool hex = false;     // chbTxHex
  bool autoCR = false;  // mniAutoCR
  std::string countryCode = "86";
  std::string phoneNumber;
};

class ManualTerminal {
 public:
  explicit ManualTerminal(SessionEngine& engine) : engine_(engine) {}

  // The send action: sends the box by its send type (and resets the pending
  // action). While a run goes nothing is sent (it would interleave with the
  // run's lines): the log says so and false is returned.
  bool Send(const SendAreaState& area);
  // Sends "AT+SMSEND=" phone "," text, blanks taken from the phone and line
  // breaks from the text; nothing when either is then empty, or while a run goes.
  void SendSms(const std::string& phone, const std::string& text);

 private:
  SessionEngine& engine_;
};

// The bytes the serial send type writes for a box; nullopt when hex mode holds
// text that is not hexadecimal (then nothing is sent).
std::optional<std::string> SerialBytesToSend(const SendAreaState& area);

// The send box's new content when the Hex box is switched: on gives the spaced
// hex form, off decodes it, or keeps the text when it is not hexadecimal.
std::string SwitchHexView(const std::string& text, bool hexOn);

// The new-line action: a CR LF at the end of the box.
inline std::string AppendLineBreak(const std::string& text) { return text + "\r\n"; }

}  // namespace t418
