#include "session/session_engine.h"

#include "lang/text_lookup.h"
#include "monitor/traffic_log.h"
#include "params/encodings.h"

namespace t418 {
namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// A typed command line: "AT" in either case, ended by a line end.
bool IsTypedCommandLine(std::string_view bytes) {
  return bytes.size() >= 3 && (bytes[0] == 'A' || bytes[0] == 'a') && (bytes[1] == 'T' || bytes[1] == 't') &&
         (bytes.back() == '\n' || bytes.back() == '\r');
}

// The command word of a query line "AT+NAME?" CR LF; "" for any other line.
std::string QueriedName(std::string_view line) {
  if (!line.starts_with("AT+") || !line.ends_with("?\r\n")) return {};
  return std::string(line.substr(3, line.size() - 6));
}

// Gathered bytes beyond this are no reply of the terminal's: they are logged
// as received and gathering starts again.
constexpr std::size_t kMaxGathered = 64 * 1024;

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

bool IsModeSwitch(std::string_view line) { return line == marker::kModeEntry || line == marker::kModeAnswer; }

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
  // A run cannot go on without the port: it ends here rather than waiting for
  // the reply timer to try command mode on a closed port.
  if (running_ && !line_.PortOpen()) {
    AbortRun(Text("info_ComNoOpen"));
    return;
  }
  SendLine(line);
  timer_.Start();
}

void SessionEngine::SendCurrentOrder() {
  if (orders_.GetOrder(orders_.OrderIndex).empty()) {
    // No line left: a run that goes is over.
    if (running_) FinishRun();
    return;
  }
  if (!running_) BeginRun();
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
  scheduler_.RunAfter(LinePause(), [this, generation] {
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

void SessionEngine::SendCommand(const std::string& body) {
  SendLine("AT+" + body + "\r\n");
  if (line_.PortOpen()) ExpectSingleReply();
}

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
  if (IsTypedCommandLine(bytes)) ExpectSingleReply();
}

void SessionEngine::ExpectSingleReply() {
  ++singleReplies_;
  // A reply that never comes is no longer awaited after the reply timer's interval.
  const auto generation = ++singleGeneration_;
  scheduler_.RunAfter(timer_.Interval(), [this, generation] {
    if (generation != singleGeneration_) return;
    singleReplies_ = 0;
    if (!running_) FlushGathered();
  });
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
  for (TCmd cmd : alsoAsk) orders_.AddQueryOnce(cmd);
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

bool SessionEngine::RefuseWhileRunning() {
  if (!running_) return false;
  log_.LogWarning(Text("info_RunBusy"));
  return true;
}

bool SessionEngine::ActionButtonClick(int tag) {
  switch (tag) {
    case kTagAskAll: case kTagSetAll: case kTagPPPA: case kTagENTM: case kTagH: case kTagZ: case kTagVER:
    case kTagCFGTF: case kTagRELD: case kTagCLEAR: case kTagCSQ: case kTagSysRestart:
      if (RefuseWhileRunning()) return false;
      break;
    default:
      return true;
  }
  pendingAction = PendingAction::PaNone;
  switch (tag) {
    case kTagAskAll:
      pendingAction = PendingAction::PaReadAll;
      StartVersionQuery();
      break;
    case kTagSetAll:
      pendingAction = PendingAction::PaWriteAll;
      ApplyHdVerSign(THdVerSign::Hd540);
      ContinuePendingAction();
      // A refused view leaves nothing to send: no run starts.
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
  return true;
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

  // Nothing awaited: the chunk is judged alone.
  if (!AwaitingReply()) {
    TakeLooseReply(s, JudgeGathered(s, LastSent));
    return;
  }
  gathered_ += s;
  const GatheredReply kind = JudgeGathered(gathered_, LastSent);
  switch (kind) {
    case GatheredReply::kIncomplete:
      // The rest is awaited, under the reply timer of the line.
      if (gathered_.size() > kMaxGathered) FlushGathered();
      return;
    case GatheredReply::kEcho:
    case GatheredReply::kOther:
      // An echo of the last line, or the boot loader's words: the reply is
      // still awaited, and the reply timer goes on.
      FlushGathered();
      return;
    case GatheredReply::kRefusal:
    case GatheredReply::kSuccess: {
      const std::string reply = std::move(gathered_);
      gathered_.clear();
      TakeReply(reply, kind);
      return;
    }
  }
}

void SessionEngine::FlushGathered() {
  if (gathered_.empty()) return;
  log_.LogReceived(gathered_);
  gathered_.clear();
}

void SessionEngine::TakeReply(const std::string& reply, GatheredReply kind) {
  // Replies come in the order the lines went out: a single command sent
  // before the run's line is answered first.
  if (singleReplies_ > 0) {
    --singleReplies_;
    TakeLooseReply(reply, kind);
    return;
  }
  TakeRunReply(reply, kind);
}

void SessionEngine::TakeLooseReply(const std::string& reply, GatheredReply kind) {
  switch (kind) {
    case GatheredReply::kRefusal:
      log_.LogWarning(reply, WarningOrigin::Terminal);
      return;
    case GatheredReply::kSuccess:
      ParseReply(reply);
      log_.LogInfo(Text("info_DoOver"));
      return;
    default:
      // Judged alone (nothing awaited), as the terminal sent it.
      if (IsSuccessReply(reply) && !Contains(reply, marker::kError)) {
        ParseReply(reply);
        log_.LogInfo(Text("info_DoOver"));
      } else if (Contains(reply, marker::kError)) {
        log_.LogWarning(reply, WarningOrigin::Terminal);
      } else {
        log_.LogReceived(reply);
      }
  }
}

void SessionEngine::TakeRunReply(const std::string& reply, GatheredReply kind) {
  timer_.Stop();
  const std::string current = orders_.GetOrder(orders_.OrderIndex);
  if (kind == GatheredReply::kRefusal) {
    log_.LogWarning(reply, WarningOrigin::Terminal);
    if (!current.empty()) refused_.push_back(current);
    ++orders_.OrderIndex;
    if (orders_.GetOrder(orders_.OrderIndex) == marker::kModeAnswer) ++orders_.OrderIndex;
    if (orders_.OrderIndex >= orders_.OrderCount()) {
      if (view_) view_->HideProgress();
      FinishRun();
      return;
    }
    SendCurrentOrder();
    return;
  }
  const std::string reported = ParseReply(reply);
  const std::string queried = QueriedName(current);
  if (!queried.empty() && reported != queried) unanswered_.push_back(queried);
  if (orders_.OrderIndex < orders_.OrderCount() - 1) {
    if (view_) view_->ShowProgress(orders_.OrderCount() - 1, orders_.OrderIndex);
    ++orders_.OrderIndex;
    SendCurrentOrder();
    return;
  }
  if (view_) view_->HideProgress();
  FinishRun();
}

std::string SessionEngine::ParseReply(const std::string& s) {
  log_.LogReply(s);
  if (s == LastSent) return {};
  const auto report = FindReport(s);
  if (!report) return {};
  values_.PutValue(report->name, report->value);
  if (OnReport) OnReport(report->name, report->value);
  ApplyReport(report->name, report->value);
  return report->name;
}

void SessionEngine::ApplyReport(const std::string& name, const std::string& value) {
  const auto cmd = FindCmd(name);
  if (cmd == TCmd::VER || cmd == TCmd::HDVER) {
    ApplyHdVerSign(cmd == TCmd::VER ? THdVerSign::Hd540 : HdVerSignOfVersion(value));
    // The version report of a full read brings its queries, once; outside a
    // run nothing is queued.
    if (running_ && pendingAction == PendingAction::PaReadAll && !readAllContinued_) {
      ContinuePendingAction();
      readAllContinued_ = true;
    }
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
  if (!running_) return;
  if (!gathered_.empty()) {
    // A whole reply with something after it never looked finished: it still answers the line.
    if (HoldsWholeReply(gathered_)) {
      const std::string reply = std::move(gathered_);
      gathered_.clear();
      TakeReply(reply, Contains(reply, marker::kError) ? GatheredReply::kRefusal : GatheredReply::kSuccess);
      return;
    }
    FlushGathered();
  }
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

void SessionEngine::BeginRun() {
  running_ = true;
  readAllContinued_ = false;
  unanswered_.clear();
  refused_.clear();
  if (view_) view_->RunStateChanged(true);
}

void SessionEngine::FinishRun() {
  // A full read is done only when the version report brought its queries and
  // every query was answered with its value (or refused).
  bool completed = unanswered_.empty();
  if (pendingAction == PendingAction::PaReadAll && !readAllContinued_) completed = false;
  if (!unanswered_.empty()) {
    std::string names;
    for (const auto& name : unanswered_) names += (names.empty() ? "" : ", ") + name;
    log_.LogWarning(Text("info_NoValue") + names);
  }
  // The end of a run whose last line was refused is told by the refusal.
  const bool lastRefused = !refused_.empty() && orders_.OrderIndex >= orders_.OrderCount();
  if (completed && !lastRefused) log_.LogInfo(Text("info_DoOver"));
  EndRun(completed);
}

void SessionEngine::EndRun(bool completed) {
  running_ = false;
  if (view_) {
    view_->RunEnded(completed);
    view_->RunStateChanged(false);
  }
}

void SessionEngine::AbortRun(const std::string& warning) {
  const bool wasRunning = running_;
  timer_.Stop();
  ++pauseGeneration_;
  pausing_ = false;
  // What arrived meanwhile is shown as it came; nothing of it is judged any more.
  for (const auto& event : deferred_)
    if (const auto* chunk = std::get_if<std::string>(&event)) gathered_ += *chunk;
  deferred_.clear();
  FlushGathered();
  singleReplies_ = 0;
  ++singleGeneration_;
  pendingAction = PendingAction::PaNone;
  if (!warning.empty()) log_.LogWarning(warning);
  if (wasRunning) {
    log_.LogInfo(Text("info_RunStopped") + std::to_string(orders_.CommandLineCount(orders_.OrderIndex)) + "/" +
                 std::to_string(orders_.CommandLineCount()));
    // No reply can move these lines on any more.
    orders_.ClearOrders();
  }
  if (view_) view_->HideProgress();
  if (wasRunning) EndRun(false);
}

}  // namespace t418
