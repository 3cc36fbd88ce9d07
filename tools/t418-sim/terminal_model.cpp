#include "t418-sim/terminal_model.h"

#include "t418-sim/value_syntax.h"

namespace t418::sim {
namespace {

// The longest command line taken; the bytes of a longer one are dropped and the
// line is refused, never cut short and taken.
constexpr std::size_t kLongestLine = 4096;
const std::string kCrLf = "\r\n";

bool StartsWithAt(std::string_view line) {
  return line.size() >= 2 && (line[0] == 'A' || line[0] == 'a') &&
         (line[1] == 'T' || line[1] == 't');
}

// A short help text, well under the 1024 bytes the tool takes as one chunk.
std::string HelpText() {
  std::string text = "\r\nAT+NAME? reads, AT+NAME=VALUE sets, AT+NAME acts.\r\nCommands:";
  int onLine = 0;
  for (const auto& command : CommandSpecs()) {
    text += (onLine == 0 ? " " : ",");
    text += command.name;
    if (++onLine == 16) {
      text += kCrLf;
      onLine = 0;
    }
  }
  return text + kCrLf + OkReply();
}

}  // namespace

std::string ErrorReply(ErrorCode code) {
  return kCrLf + "+ERR:" + std::to_string(static_cast<int>(code)) + kCrLf + kCrLf;
}

std::string OkReply() { return kCrLf + "OK" + kCrLf + kCrLf; }

std::string ReportReply(std::string_view name, std::string_view value) {
  std::string reply = kCrLf + "+";
  reply += name;
  reply += ':';
  reply += value;
  return reply + kCrLf + kCrLf + "OK" + kCrLf + kCrLf;
}

TerminalModel::TerminalModel(SimConfig& config, TerminalBehaviour behaviour)
    : config_(config),
      behaviour_(std::move(behaviour)),
      commandMode_(!behaviour_.startInDataMode) {}

void TerminalModel::Note(std::string_view line) {
  if (onLine) onLine(line);
}

Emissions TerminalModel::Restart() {
  commandMode_ = !behaviour_.startInDataMode;
  awaitingA_ = false;
  line_.clear();
  lineTooLong_ = false;
  dataTail_.clear();
  lastWasCr_ = false;
  return {Emission{behaviour_.restartMs, kCrLf + config_.Value("STMSG") + kCrLf, false}};
}

Emissions TerminalModel::Receive(std::string_view bytes) {
  Emissions out;
  for (const char c : bytes) {
    if (awaitingA_) {
      awaitingA_ = false;
      if (c == 'a') {
        Note("a");
        commandMode_ = true;
        line_.clear();
        lineTooLong_ = false;
        lastWasCr_ = false;
        const bool echo = config_.Value("E") == "ON";
        out.push_back({0, std::string(echo ? "a" : "") + "+ok" + kCrLf, true});
        continue;
      }
      commandMode_ = modeBeforePlus_;  // no "a": the byte counts as usual
    }

    if (!commandMode_) {
      dataTail_ += c;
      if (dataTail_.size() > 3) dataTail_.erase(0, dataTail_.size() - 3);
      if (dataTail_ == "+++") {
        Note("+++");
        dataTail_.clear();
        modeBeforePlus_ = false;
        awaitingA_ = true;
        out.push_back({0, "a", true});
      }
      continue;
    }

    if (c == '\r' || c == '\n') {
      const bool lfAfterCr = c == '\n' && lastWasCr_;
      lastWasCr_ = c == '\r';
      if (lfAfterCr) continue;
      std::string line;
      line.swap(line_);
      const bool tooLong = lineTooLong_;
      lineTooLong_ = false;
      Append(out, HandleLine(line, tooLong));
      continue;
    }
    lastWasCr_ = false;
    if (c == '\b' || c == '\x7f') {  // typed by hand
      if (!line_.empty()) line_.pop_back();
      continue;
    }
    if (line_.size() < kLongestLine) {
      line_ += c;
    } else {
      lineTooLong_ = true;
    }
    if (line_ == "+++") {
      Note("+++");
      line_.clear();
      modeBeforePlus_ = true;
      awaitingA_ = true;
      out.push_back({0, "a", true});
    }
  }
  return out;
}

Emissions TerminalModel::HandleLine(const std::string& line, bool tooLong) {
  if (line.empty()) return {};
  Note(line);

  const std::string echo = config_.Value("E") == "ON" ? line + kCrLf : std::string();
  if (tooLong) return {Emission{0, echo + ErrorReply(ErrorCode::Format), true}};
  bool restart = false;
  bool enterData = false;
  bool changed = false;
  std::string word;
  const std::string answer = Answer(line, restart, enterData, changed, word);

  if (changed && onConfigChanged) onConfigChanged();
  if (enterData) {
    commandMode_ = false;
    dataTail_.clear();
  }
  if (behaviour_.silent.count(word)) {
    if (restart) return Restart();
    return {};
  }

  Emissions out;
  if (behaviour_.split.count(word) && answer.size() >= 2) {
    const std::size_t half = answer.size() / 2;
    out.push_back({0, echo + answer.substr(0, half), true});
    out.push_back({behaviour_.splitPauseMs, answer.substr(half), false});
  } else {
    out.push_back({0, echo + answer, true});
  }
  if (restart) Append(out, Restart());
  return out;
}

std::string TerminalModel::QueryValue(const std::string& name) const {
  if (name == "HDVER") return behaviour_.hardwareVersion;
  if (name == "IMEI" && !behaviour_.imei.empty()) return behaviour_.imei;
  if (name == "ICCID" && !behaviour_.iccid.empty()) return behaviour_.iccid;
  if (name == "SN" && !behaviour_.sn.empty()) return behaviour_.sn;
  if (name.size() == 7 && name.compare(0, 4, "SOCK") == 0 && name.compare(5, 2, "LK") == 0) {
    // The link state follows the enable switch of the socket; no server is reached.
    const std::string enable = "SOCK" + name.substr(4, 1) + "EN";
    return config_.Value(enable) == "ON" ? "CONNECTED" : "DISCONNECTED";
  }
  const CommandSpec* command = FindSpec(name);
  if (command == nullptr) return {};
  return command->form == CmdForm::ReadOnly ? command->factory : config_.Value(name);
}

std::string TerminalModel::Answer(const std::string& line, bool& restart, bool& enterData,
                                  bool& changed, std::string& word) {
  if (!StartsWithAt(line)) return ErrorReply(ErrorCode::Format);
  if (line.size() == 2) return OkReply();  // "AT"
  if (line[2] != '+') return ErrorReply(ErrorCode::Format);

  const std::string body = line.substr(3);
  const auto eq = body.find('=');
  enum class Form { Query, Setting, Action } form = Form::Action;
  std::string name;
  std::string value;
  if (eq != std::string::npos) {
    form = Form::Setting;
    name = body.substr(0, eq);
    value = body.substr(eq + 1);
  } else if (!body.empty() && body.back() == '?') {
    form = Form::Query;
    name = body.substr(0, body.size() - 1);
  } else {
    name = body;
  }

  const CommandSpec* command = FindSpec(name);
  if (command == nullptr) return ErrorReply(ErrorCode::Unknown);
  word = command->name;
  if (behaviour_.error.count(word)) return ErrorReply(ErrorCode::Refused);
  if (form == Form::Query && behaviour_.unreadable.count(word)) return ErrorReply(ErrorCode::Refused);

  switch (command->form) {
    case CmdForm::Action:
      if (form != Form::Action) return ErrorReply(ErrorCode::Operation);
      if (word == "H") return HelpText();
      if (word == "CSQ") return ReportReply("CSQ", "24,99");
      if (word == "Z" || word == "REBOOT") {
        restart = true;
      } else if (word == "ENTM") {
        enterData = true;
      } else if (word == "CLEAR") {
        config_.RestoreFactory();
        changed = true;
      } else if (word == "CFGTF") {
        config_.SaveUserDefaults();
      } else if (word == "RELD") {
        config_.RestoreUserDefaults();
        changed = true;
      }
      return OkReply();
    case CmdForm::ReadOnly:
      // A bare word reads as well as a query.
      if (form == Form::Setting) return ErrorReply(ErrorCode::Operation);
      return ReportReply(word, QueryValue(word));
    case CmdForm::Parameter:
      if (word == "SMSEND") {
        if (form != Form::Setting) return ErrorReply(ErrorCode::Operation);
        return ValueMatches(command->rule, value) ? OkReply() : ErrorReply(ErrorCode::Value);
      }
      if (form != Form::Setting) return ReportReply(word, QueryValue(word));
      if (behaviour_.forgetful) return OkReply();
      if (!ValueMatches(command->rule, value)) return ErrorReply(ErrorCode::Value);
      config_.Set(word, value);
      changed = true;
      return OkReply();
  }
  return ErrorReply(ErrorCode::Unknown);
}

}  // namespace t418::sim
