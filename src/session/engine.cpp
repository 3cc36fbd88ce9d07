#include "session/engine.h"

#include "lang/text_lookup.h"
#include "monitor/traffic_log.h"
#include "params/encodings.h"

namespace t418 {
namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool IsModeSwitch(std::string_view line) {
  return line == marker::kModeEntry || line == marker::kModeAnswer;
}

// Removes every occurrence of a mark.
std::string Without(std::string_view text, std::string_view mark) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(mark, from)) != std::string_view::npos; from = at + mark.size())
    out.append(text.substr(from, at - from));
  out.append(text.substr(from));
  return out;
}

// Read-all queries between the version query and the GNSS block; the identity
// command is asked right after ICCID.
constexpr TCmd kReadAllHead[] = {TCmd::E, TCmd::WKMOD, TCmd::CMDPW, TCmd::STMSG, TCmd::RSTIM, TCmd::SN,
                                 TCmd::ICCID};
constexpr TCmd kReadAllBody[] = {
    TCmd::IMSI,    TCmd::UART,    TCmd::UARTFT,  TCmd::UARTFL,  TCmd::APN,      TCmd::SOCKA,
    TCmd::SOCKB,   TCmd::SOCKAEN, TCmd::SOCKBEN, TCmd::SOCKASL, TCmd::SOCKBSL,  TCmd::SOCKALK,
    TCmd::SOCKBLK, TCmd::SOCKATO, TCmd::SOCKBTO, TCmd::SOCKIND, TCmd::SOCKRSTIM, TCmd::REGEN,
    TCmd::REGTP,   TCmd::REGDT,   TCmd::REGSND,  TCmd::CLOUD,   TCmd::ID,       TCmd::HEARTEN,
    TCmd::HEARTDT, TCmd::HEARTSND, TCmd::HEARTTM, TCmd::HTPTP,  TCmd::HTPURL,   TCmd::HTPSV,
    TCmd::HTPHD,   TCmd::HTPTO,   TCmd::HTPFLT};

}  // namespace

std::string TextBetween(std::string_view text, std::string_view startMark, std::string_view endMark) {
  if (text.empty()) return {};
  // Positions from 1, 0 when absent, as the reply parser has always counted them.
  const auto position = [&](std::string_view mark) -> long {
    const auto at = text.find(mark);
    return at == std::string_view::npos ? 0 : static_cast<long>(at) + 1;
  };
  const long p = position(startMark);
  const long q = position(endMark);
  const long from = p + static_cast<long>(startMark.size());
  const long count = q - from;
  if (count <= 0) return {};
  return std::string(text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count)));
}

bool IsSuccessReply(std::string_view s) {
  return (Contains(s, marker::kReportStart) && Contains(s, marker::kNameEnd) && Contains(s, marker::kReportEnd)) ||
         Contains(s, marker::kDone) || Contains(s, marker::kConfirmationWithEcho) || s == marker::kModeAnswer ||
         s == marker::kConfirmation;
}

SessionEngine::SessionEngine(const SessionParts& parts)
    : orders_(parts.orders),
      values_(parts.values),
      hardware_(parts.hardware),
      log_(parts.log),
      texts_(parts.texts),
      line_(parts.line),
      timer_(parts.replyTimer),
      scheduler_(parts.scheduler) {}

std::string SessionEngine::Text(std::string_view name) const { return texts_.LangText(name); }

void SessionEngine::SendLine(const std::string& text) {
  if (text.empty()) return;
  if (!line_.PortOpen()) {
    log_.LogWarning(Text("info_ComNoOpen"));
    return;
  }
  line_.SendData(text);
  log_.LogSent(text);
  LastSent = text;
}

void SessionEngine::SendOrder(int index) {
  const std::string line = orders_.GetOrder(index);
  if (line.empty()) return;
  SendLine(line);
  timer_.Start();
}

void SessionEngine::SendCurrentOrder() {
  if (IsModeSwitch(orders_.GetOrder(orders_.OrderIndex))) {
    // A mode switch goes out at once; it also ends a pause that a flow started over.
    const bool wasPausing = pausing_;
    ++pauseGeneration_;
    pausing_ = false;
    SendOrder(orders_.OrderIndex);
    if (wasPausing) RunDeferred();
    return;
  }
  pausing_ = true;
  const auto generation = ++pauseGeneration_;
  scheduler_.RunAfter(delayTime, [this, generation] {
    if (generation == pauseGeneration_) SendAfterPause();
  });
}

void SessionEngine::SendAfterPause() {
  pausing_ = false;
  SendOrder(orders_.OrderIndex);
  RunDeferred();
}

void SessionEngine::RunDeferred() {
  while (!pausing_ && !deferred_.empty()) {
    Deferred next = std::move(deferred_.front());
    deferred_.pop_front();
    if (auto* chunk = std::get_if<std::string>(&next))
      HandleNow(*chunk);
    else
      TimeoutNow();
  }
}

void SessionEngine::SendCommand(const std::string& body) { SendLine("AT+" + body + "\r\n"); }

void SessionEngine::SendSetCommand(const std::string& name, const std::string& value) {
  SendCommand(name + "=" + value);
}

void SessionEngine::SendBytes(const std::string& bytes) {
  if (bytes.empty()) return;
  if (!line_.PortOpen()) {
    log_.LogWarning(Text("info_ComNoOpen"));
    return;
  }
  line_.SendData(bytes);
  log_.LogSent(bytes);
}

void SessionEngine::EnterCommandMode() {
  orders_.ClearOrders();
  orders_.AddOrder(std::string(marker::kModeEntry));
  orders_.AddOrder(std::string(marker::kModeAnswer));
  SendCurrentOrder();
}

void SessionEngine::EnterDataMode() {
  orders_.ClearOrders();
  SendCommand("ENTM");
}

void SessionEngine::StartVersionQuery() {
  orders_.ClearOrders();
  values_.ClearValues();
  orders_.AddQuery(TCmd::VER);
  SendCurrentOrder();
}

void SessionEngine::AppendReadAllQueries() {
  for (TCmd cmd : kReadAllHead) orders_.AddQuery(cmd);
  orders_.AddQuery(hardware_.identityCmd);
  for (TCmd cmd : kReadAllBody) orders_.AddQuery(cmd);
  for (int ordinal = static_cast<int>(TCmd::GNSSFUNEN); ordinal <= static_cast<int>(TCmd::QHWVER); ++ordinal)
    orders_.AddQuery(static_cast<TCmd>(ordinal));
}

void SessionEngine::ContinuePendingAction() {
  switch (pendingAction) {
    case PendingAction::PaReadAll:
      AppendReadAllQueries();
      break;
    case PendingAction::PaWriteAll:
      // Without a builder there is no configuration to write: nothing is sent.
      if (builder_)
        builder_->BuildConfiguration(orders_);
      else
        orders_.ClearOrders();
      break;
    case PendingAction::PaNone:
      break;
  }
}

void SessionEngine::ApplyHdVerSign(THdVerSign sign) {
  hardware_.current = sign;
  switch (sign) {
    case THdVerSign::HdUnknown:
      log_.LogWarning(Text("info_PlsUpFw"));
      return;
    case THdVerSign::Hd520:
      hardware_.identityCmd = TCmd::MEID;
      break;
    case THdVerSign::Hd521:
    case THdVerSign::Hd540:
      hardware_.identityCmd = TCmd::IMEI;
      break;
  }
  if (view_) view_->IdentityCmdChanged();
}

void SessionEngine::ActionButtonClick(int tag) {
  pendingAction = PendingAction::PaNone;
  // The flows start a new run (the single commands go beside it).
  if (tag == kTagAskAll || tag == kTagSetAll || tag == kTagPPPA || tag == kTagVER) refused_.clear();
  switch (tag) {
    case kTagAskAll:
      pendingAction = PendingAction::PaReadAll;
      StartVersionQuery();
      break;
    case kTagSetAll:
      pendingAction = PendingAction::PaWriteAll;
      ApplyHdVerSign(THdVerSign::Hd540);
      ContinuePendingAction();
      SendCurrentOrder();
      break;
    case kTagPPPA: EnterCommandMode(); break;
    case kTagENTM: EnterDataMode(); break;
    case kTagH: SendCommand("H"); break;
    case kTagZ: SendCommand("Z"); break;
    case kTagVER: StartVersionQuery(); break;
    case kTagCFGTF: SendCommand("CFGTF"); break;
    case kTagRELD: SendCommand("RELD"); break;
    case kTagCLEAR: SendCommand("CLEAR"); break;
    case kTagCSQ: SendCommand("CSQ"); break;
    case kTagSysRestart: SendCommand("REBOOT"); break;
    default: break;
  }
}

void SessionEngine::HandleReceived(const std::string& chunk) {
  if (pausing_) {
    deferred_.emplace_back(chunk);
    return;
  }
  HandleNow(chunk);
}

void SessionEngine::HandleNow(const std::string& s) {
  // The boot loader is answered only while a firmware file is armed.
  const bool armed = upgrade_ && upgrade_->Armed();
  if (Contains(s, marker::kBootMenu)) {
    log_.LogReceived(s);
    if (armed) SendLine("F");
    else if (upgrade_) upgrade_->BootMenuUnanswered();
    return;
  }
  if (Contains(s, marker::kUpdatePrompt) && LastSent == "F") {
    log_.LogReceived(s);
    if (armed) SendLine("Y");
    return;
  }
  if (s == marker::kUpdateConfirmation && LastSent == "Y") {
    log_.LogReceived(s);
    if (upgrade_) upgrade_->StartTransfer();
    return;
  }
  if (upgrade_ && upgrade_->XModemState() != 0) {
    upgrade_->HandleUpgradeReply(s);
    return;
  }

  // An exact echo of the last line leaves the reply timer running.
  if (s != LastSent) timer_.Stop();

  if (Contains(s, marker::kError)) {
    log_.LogWarning(s, WarningOrigin::Terminal);
    const std::string refused = orders_.GetOrder(orders_.OrderIndex);
    if (!refused.empty()) refused_.push_back(refused);
    ++orders_.OrderIndex;
    if (orders_.GetOrder(orders_.OrderIndex) == marker::kModeAnswer) ++orders_.OrderIndex;
    SendCurrentOrder();
    if (!refused.empty() && orders_.OrderIndex >= orders_.OrderCount() && view_) view_->RunEnded(true);
    return;
  }
  if (IsSuccessReply(s)) {
    ParseReply(s);
    if (orders_.OrderIndex < orders_.OrderCount() - 1) {
      if (view_) view_->ShowProgress(orders_.OrderCount() - 1, orders_.OrderIndex);
      ++orders_.OrderIndex;
      SendCurrentOrder();
    } else {
      if (view_) view_->HideProgress();
      log_.LogInfo(Text("info_DoOver"));
      if (view_) view_->RunEnded(true);
    }
    return;
  }
  log_.LogReceived(s);
}

void SessionEngine::ParseReply(const std::string& s) {
  log_.LogReply(s);
  if (s == LastSent) return;
  if (CountOccurrences("+", s) > 5) return;
  const std::string name = TextBetween(s, marker::kReportStart, marker::kNameEnd);
  if (name.empty()) return;
  const std::string value = TextBetween(Without(s, marker::kReportStart), marker::kNameEnd, marker::kReportEnd);
  values_.PutValue(name, value);
  if (OnReport) OnReport(name, value);
  ApplyReport(name, value);
}

void SessionEngine::ApplyReport(const std::string& name, const std::string& value) {
  const auto cmd = FindCmd(name);
  if (cmd == TCmd::VER) {
    ApplyHdVerSign(THdVerSign::Hd540);
    ContinuePendingAction();
    return;
  }
  if (cmd == TCmd::HDVER) {
    ApplyHdVerSign(HdVerSignOfVersion(value));
    ContinuePendingAction();
    return;
  }
  if (reports_) reports_->ApplyReport(name, value);
}

void SessionEngine::ReplyTimeout() {
  if (pausing_) {
    deferred_.emplace_back(TimeoutEvent{});
    return;
  }
  TimeoutNow();
}

void SessionEngine::TimeoutNow() {
  const int index = orders_.OrderIndex;
  const std::string current = orders_.GetOrder(index);
  // The command-mode entry itself went unanswered: nothing that hears us is
  // on the line (no terminal, another baud rate, no power). Waiting on would
  // leave the run silent for good.
  if (IsModeSwitch(current)) {
    AbortRun(Text("info_NoAnswer"));
    return;
  }
  // A line that stays unanswered although the terminal came back into command
  // mode for it is given up: recovering again would repeat it forever.
  if (orders_.GetOrder(index - 2) == marker::kModeEntry && orders_.GetOrder(index - 1) == marker::kModeAnswer) {
    AbortRun(Text("info_NoReply") + ": " + current);
    return;
  }
  // "+++" goes out at once and keeps the timer on, so its own silence is seen.
  timer_.Stop();
  orders_.InsertModeEntry();
  SendCurrentOrder();
}

void SessionEngine::AbortRun(const std::string& warning) {
  timer_.Stop();
  ++pauseGeneration_;
  pausing_ = false;
  deferred_.clear();
  pendingAction = PendingAction::PaNone;
  if (!warning.empty()) log_.LogWarning(warning);
  if (view_) {
    view_->HideProgress();
    view_->RunEnded(false);
  }
}

}  // namespace t418
