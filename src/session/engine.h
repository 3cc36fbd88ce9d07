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
#include "session/engine_ports.h"
#include "session/order_list.h"
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
  int delayTime = 150;
  PendingAction pendingAction = PendingAction::PaNone;

  // Sending.
  void SendLine(const std::string& text);
  void SendOrder(int index);
  void SendCurrentOrder();
  void SendCommand(const std::string& body);
  void SendSetCommand(const std::string& name, const std::string& value);
  void SendBytes(const std::string& bytes);

  // Flows.
  void EnterCommandMode();
  void EnterDataMode();
  void StartVersionQuery();
  void AppendReadAllQueries();
  void ContinuePendingAction();
  void ApplyHdVerSign(THdVerSign sign);

  // The click of an action button, by its tag.
  void ActionButtonClick(int tag);

  // Receiving: one chunk of the serial line, judged alone.
  void HandleReceived(const std::string& chunk);
  void ParseReply(const std::string& chunk);
  // The reply timer fired.
  void ReplyTimeout();
  // Ends the run at once: no reply awaited, no line pending, the pending action
  // back to none, the progress hidden; the warning (if any) goes to the log.
  void AbortRun(const std::string& warning);

  // Whether a line is waiting for its pause to end.
  bool Pausing() const { return pausing_; }

  // The lines of the current run that the terminal refused, in order.
  const std::vector<std::string>& RefusedLines() const { return refused_; }
  // Every report (name, value) as parsed, VER and HDVER included, in arrival order.
  std::function<void(const std::string& name, const std::string& value)> OnReport;

 private:
  struct TimeoutEvent {};
  using Deferred = std::variant<std::string, TimeoutEvent>;

  void HandleNow(const std::string& chunk);
  void TimeoutNow();
  void ApplyReport(const std::string& name, const std::string& value);
  void SendAfterPause();
  void RunDeferred();
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

  bool pausing_ = false;
  std::uint64_t pauseGeneration_ = 0;
  std::deque<Deferred> deferred_;
  std::vector<std::string> refused_;
};

}  // namespace t418
