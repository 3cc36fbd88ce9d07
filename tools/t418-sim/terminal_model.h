#pragma once
// The terminal's command side: turns received bytes into replies.
//
// Command mode takes lines "AT+NAME?", "AT+NAME=VALUE" and "AT+NAME", each
// ended by CR LF (a lone CR or LF ends a line too). A query is answered
// CR LF "+NAME:VALUE" CR LF CR LF "OK" CR LF CR LF, an accepted setting or
// action CR LF "OK" CR LF CR LF, anything refused CR LF "+ERR:" code CR LF CR LF.
// While E is "ON" the received line and CR LF come first, in the same write.
// "+++" is answered "a"; an "a" right after it "+ok" CR LF ("a+ok" CR LF with
// echo) and the terminal is in command mode. In data mode every byte is
// swallowed until "+++".
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "t418-sim/sim_config.h"
#include "t418-sim/sim_types.h"

namespace t418::sim {

// Codes of "+ERR:".
enum class ErrorCode : int {
  Format = 1,     // the line is no "AT+..." command line, or too long to take
  Unknown = 2,    // no such command word
  Operation = 3,  // the command does not take this form (a query of an action, ...)
  Value = 4,      // the value breaks the command's syntax
  Refused = 5,    // the command is refused (--error)
};

struct TerminalBehaviour {
  // Command words in upper case.
  std::set<std::string, std::less<>> silent;  // never answered, not even echoed
  std::set<std::string, std::less<>> error;   // always answered with "+ERR:5"
  // Queries answered with "+ERR:5", settings taken: what is written cannot be read back.
  std::set<std::string, std::less<>> unreadable;
  std::set<std::string, std::less<>> split;   // answered in two writes
  bool startInDataMode = false;
  // Every setting of a parameter is answered OK, whatever its value, and none
  // is kept: queries go on reporting what the terminal had.
  bool forgetful = false;
  std::string hardwareVersion = "V2.0.0";
  // What IMEI, ICCID and SN report; "" leaves the factory answer.
  std::string imei;
  std::string iccid;
  std::string sn;
  int splitPauseMs = 300;  // longer than any gap time-out of the tool
  int restartMs = 500;     // from "OK" to the start-up message
};

class TerminalModel {
 public:
  TerminalModel(SimConfig& config, TerminalBehaviour behaviour);

  // Replies to the bytes, in order; bytes that complete no line give none.
  Emissions Receive(std::string_view bytes);
  // Start (or restart) in the start mode: after restartMs the start-up message
  // CR LF STMSG CR LF, as a piece that is no reply.
  Emissions Restart();

  bool InCommandMode() const { return commandMode_; }

  // Told every received command line (without its line end), and "+++" and "a".
  std::function<void(std::string_view)> onLine;
  // Told after the settings changed (a setting, CLEAR, RELD).
  std::function<void()> onConfigChanged;

 private:
  Emissions HandleLine(const std::string& line, bool tooLong);
  std::string Answer(const std::string& line, bool& restart, bool& enterData, bool& changed,
                     std::string& word);
  std::string QueryValue(const std::string& name) const;
  void Note(std::string_view line);

  SimConfig& config_;
  TerminalBehaviour behaviour_;
  bool commandMode_ = true;
  bool awaitingA_ = false;  // "+++" was answered "a"
  bool modeBeforePlus_ = true;
  std::string line_;
  bool lineTooLong_ = false;  // bytes of the current line were dropped
  std::string dataTail_;  // the last bytes seen in data mode
  bool lastWasCr_ = false;
};

// CR LF "+ERR:" code CR LF CR LF.
std::string ErrorReply(ErrorCode code);
// CR LF "OK" CR LF CR LF.
std::string OkReply();
// CR LF "+NAME:VALUE" CR LF CR LF "OK" CR LF CR LF.
std::string ReportReply(std::string_view name, std::string_view value);

}  // namespace t418::sim
