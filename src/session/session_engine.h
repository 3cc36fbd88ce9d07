#pragma once
// The session engine: sends the order list one line at a time, recognises the
// terminal's replies, stores and hands over its reports, skips refused lines and
// brings a silent terminal back into command mode. It never blocks: the pause
// before a command line is scheduled, and whatever arrives meanwhile is handled
// after that line went out, in arrival order.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <variant>
#include <vector>
#include <functional>

#include "params/commands.h"
#include "base/engine_ports.h"
#include "params/order_list.h"
#include "session/reply_rules.h"
#include "session/value_list.h"

namespace t418 {

class TrafficLog;
class TextLookup;

enum class PendingAction : std::uint8_t { PaNone = 0, PaReadAll = 1, PaWriteAll = 2 };

// Tags of the action buttons.
enum ActionTag : int {
  kTagAskAll = 10,
  kTagSetAll = 11,
  kTagPPPA = 12,
  kTagENTM = 13,
  kTagH = 16,
  kTagZ = 17,
  kTagVER = 18,
  kTagCFGTF = 19,
  kTagRELD = 20,
  kTagCLEAR = 21,
  kTagCSQ = 23,
  kTagSysRestart = 24,
};

// Reply markers, compared as bytes.
namespace marker {
inline constexpr std::string_view kBootMenu =
    "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";
inline constexpr std::string_view kUpdatePrompt = "F\r\nSure to update, 'Y' or 'N'\r\n>";
inline constexpr std::string_view kUpdateConfirmation = "Y\r\n";
inline constexpr std::string_view kError = "+ERR:";
inline constexpr std::string_view kReportStart = "\r\n+";
inline constexpr std::string_view kNameEnd = ":";
inline constexpr std::string_view kReportEnd = "\r\n\r\n";
inline constexpr std::string_view kDone = "\r\nOK\r\n\r\n";
inline constexpr std::string_view kConfirmationWithEcho = "a+ok\r\n";
inline constexpr std::string_view kConfirmation = "+ok\r\n";
inline constexpr std::string_view kModeAnswer = "a";
inline constexpr std::string_view kModeEntry = "+++";
}  // namespace marker

// The text between the first start mark and the first end mark, both searched
// from the beginning; "" when either is missing or they are out of order.
std::string TextBetween(std::string_view text, std::string_view startMark, std::string_view endMark);

// Whether a chunk is a success reply (a report, a done marker or a mode confirmation).
bool IsSuccessReply(std::string_view chunk);

// Whether a line is a mode switch ("+++" or "a") rather than a command line.
bool IsModeSwitch(std::string_view line);

struct SessionParts {
  OrderList& orders;
  ValueList& values;
  HardwareSign& hardware;
  TrafficLog& log;
  const TextLookup& texts;
  ByteSink& line;
  ReplyTimer& replyTimer;
  Scheduler& scheduler;
};

// A run is one pass over the order list (a full read or write, command-mode
// entry, the version query, or lines queued by hand and sent with
// SendCurrentOrder): it starts when its first line is queued for sending and
// ends when its last line is answered or refused, when a line stays unanswered,
// or when it is stopped (the user, a closed or lost port). Only one run goes at
// a time; while it goes, a click or a typed send is refused with a message, so
// nothing interleaves with it. The terminal's replies are gathered across
// received chunks until they are whole, and only the reply to the run's current
// line moves the run on: a single command's reply never does.
class SessionEngine {
 public:
  explicit SessionEngine(const SessionParts& parts);

  // Call-outs that later parts of the tool fill in; each may stay unset.
  void SetReportConsumer(ReportConsumer* consumer) { reports_ = consumer; }
  void SetConfigurationBuilder(ConfigurationBuilder* builder) { builder_ = builder; }
  void SetUpgradeHandler(UpgradeHandler* upgrade) { upgrade_ = upgrade; }
  void SetView(SessionView* view) { view_ = view; }

  // Engine state.
  std::string LastSent;
  // The pause before each command line, as configured (the profile keeps it).
  int delayTime = 150;
  PendingAction pendingAction = PendingAction::PaNone;

  // ---- The pause before a command line ----
  // With fast replies (chunks handed over as soon as a reply is whole) the
  // pause is 0, unless a front end asked for its pause to be kept.
  void SetFastReplies(bool on) { fastReplies_ = on; }
  bool keepPauseWithFastReplies = false;
  // The pause that goes before the next command line.
  int LinePause() const { return fastReplies_ && !keepPauseWithFastReplies ? 0 : delayTime; }

  // Sending.
  void SendLine(const std::string& text);
  void SendOrder(int index);
  // Sends the current line after the pause ("+++" and "a" at once); starts a
  // run when none goes.
  void SendCurrentOrder();
  // A single command, at once, outside the order list; its reply is awaited
  // (for as long as the reply timer's interval) and never moves a run on.
  void SendCommand(const std::string& body);
  void SendSetCommand(const std::string& name, const std::string& value);
  // Typed bytes, at once; a typed command line ("AT..." with a line end) has
  // its reply awaited as a single command's.
  void SendBytes(const std::string& bytes);

  // Flows.
  void EnterCommandMode();
  void EnterDataMode();
  void StartVersionQuery();
  void AppendReadAllQueries();
  // Queries a full read asks after its own, those it already asks left out
  // (a verify asks for every setting it wrote).
  std::vector<TCmd> alsoAsk;
  void ContinuePendingAction();
  void ApplyHdVerSign(THdVerSign sign);

  // The click of an action button, by its tag. False when it was refused
  // because a run is going (the log says so); the run goes on untouched.
  bool ActionButtonClick(int tag);

  // ---- Runs ----
  bool Running() const { return running_; }
  // When a run is going: logs that the user must wait for it or stop it, and
  // returns true (the caller then does nothing).
  bool RefuseWhileRunning();
  // Stops the run in progress: nothing of it is sent later (its lines, pause
  // and reply timer are dropped), the pending action is cleared, the progress
  // hidden, the log says how far it got, and the run ends as not completed.
  // Replies awaited by single commands are no longer awaited.
  void StopRun() { AbortRun({}); }
  // StopRun with a warning first (if not empty).
  void AbortRun(const std::string& warning);

  // Receiving: one chunk of the serial line, gathered with the chunks before
  // it until a whole reply is there.
  void HandleReceived(const std::string& chunk);
  // Logs a whole reply, stores and hands over its report; returns the
  // report's name ("" when it holds none).
  std::string ParseReply(const std::string& reply);
  // The reply timer fired.
  void ReplyTimeout();

  // Whether a line is waiting for its pause to end.
  bool Pausing() const { return pausing_; }
  // The replies single commands still await.
  int AwaitedSingleReplies() const { return singleReplies_; }

  // The lines of the current run that the terminal refused, in order.
  const std::vector<std::string>& RefusedLines() const { return refused_; }
  // Every report (name, value) as parsed, VER and HDVER included, in arrival order.
  std::function<void(const std::string& name, const std::string& value)> OnReport;

 private:
  struct TimeoutEvent {};
  using Deferred = std::variant<std::string, TimeoutEvent>;

  void HandleNow(const std::string& chunk);
  void TimeoutNow();
  void TakeReply(const std::string& reply, GatheredReply kind);
  void TakeRunReply(const std::string& reply, GatheredReply kind);
  void TakeLooseReply(const std::string& reply, GatheredReply kind);
  void ApplyReport(const std::string& name, const std::string& value);
  void SendAfterPause();
  void RunDeferred();
  void BeginRun();
  void FinishRun();
  void EndRun(bool completed);
  void ExpectSingleReply();
  void FlushGathered();
  bool AwaitingReply() const { return running_ || singleReplies_ > 0; }
  std::string Text(std::string_view name) const;

  OrderList& orders_;
  ValueList& values_;
  HardwareSign& hardware_;
  TrafficLog& log_;
  const TextLookup& texts_;
  ByteSink& line_;
  ReplyTimer& timer_;
  Scheduler& scheduler_;
  ReportConsumer* reports_ = nullptr;
  ConfigurationBuilder* builder_ = nullptr;
  UpgradeHandler* upgrade_ = nullptr;
  SessionView* view_ = nullptr;

  bool fastReplies_ = false;
  bool pausing_ = false;
  std::uint64_t pauseGeneration_ = 0;
  std::deque<Deferred> deferred_;
  // The bytes received since the awaited reply began.
  std::string gathered_;
  // A run goes; whether its read-all queries were appended; the query lines
  // whose reply held no report of theirs.
  bool running_ = false;
  bool readAllContinued_ = false;
  std::vector<std::string> unanswered_;
  int singleReplies_ = 0;
  std::uint64_t singleGeneration_ = 0;
  std::vector<std::string> refused_;
};

}  // namespace t418
