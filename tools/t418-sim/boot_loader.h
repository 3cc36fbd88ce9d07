#pragma once
// The terminal's boot loader: a menu of single keys and the XModem receiver.
//
//   menu    "F" -> the update prompt; "G" -> run the application;
//           "R" -> restart the module; CR -> the menu again; other keys ignored
//   prompt  "Y" -> "Y" CR LF, then the transfer; "N" -> "N" CR LF and the menu
//   transfer    XModem-CRC; when it ends (or is aborted) the loader is back at
//               its menu: after the end reply's ">", or with the menu printed
//               anew a second after an abort
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "t418-sim/sim_types.h"
#include "t418-sim/xmodem_receiver.h"

namespace t418::sim {

inline const std::string kBootMenu =
    "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";
inline const std::string kUpdatePrompt = "F\r\nSure to update, 'Y' or 'N'\r\n>";
inline const std::string kUpdateConfirmation = "Y\r\n";

class BootLoader {
 public:
  enum class State { Menu, Prompt, Transfer };
  enum class Exit { None, RunApplication, Restart };

  struct Result {
    std::string reply;
    Exit exit = Exit::None;
  };

  explicit BootLoader(int nakEvery = 0, bool answerC = false) : receiver_(nakEvery, answerC) {}

  // Enters the boot loader at its menu; returns the menu.
  std::string Enter();
  Result Receive(std::string_view bytes, Millis now);
  // "C" requests, packet time-outs and the menu after an abort.
  std::string Tick(Millis now);
  std::optional<Millis> NextDeadline() const;

  State state() const { return state_; }
  const XModemReceiver& receiver() const { return receiver_; }

  // Told the whole image when a transfer ends with EOT.
  std::function<void(const std::string&)> onImage;

 private:
  // Back to the menu once the transfer has ended or was aborted.
  void Settle(Millis now);

  XModemReceiver receiver_;
  State state_ = State::Menu;
  std::optional<Millis> menuAfterAbort_;
};

}  // namespace t418::sim
