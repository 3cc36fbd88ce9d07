// The end-of-reply rule of the receive side: which gathered bytes end a chunk
// before the quiet gap, in each mode, and how a send selects the answer it
// expects. The replies are built from the engine's own markers, so the rule
// and the engine cannot drift apart unnoticed.
#include "serial/reply_framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/xmodem_packet.h"
#include "session/session_engine.h"

namespace t418 {
namespace {

using M = FramingMode;
const std::string kAck(1, xmodem::kAck);
const std::string kNak(1, xmodem::kNak);
const std::string kCan(1, '\x18');
const std::string kEot(1, xmodem::kEot);
const std::string kFinal(xmodem::kFinalReply);
const std::string kMenu(marker::kBootMenu);
const std::string kPrompt(marker::kUpdatePrompt);

// Replies of the terminal as they come on the line: CR LF "+" NAME ":" VALUE
// CR LF CR LF, then the done marker; errors CR LF "+ERR:" code CR LF CR LF.
std::string Report(const std::string& name, const std::string& value) {
  return "\r\n+" + name + ":" + value + std::string(marker::kReportEnd) + "OK\r\n\r\n";
}
const std::string kDone(marker::kDone);
std::string Error(const std::string& code) { return "\r\n+ERR:" + code + "\r\n\r\n"; }

struct Case {
  const char* what;
  std::string pending;
  M mode;
  bool complete;
};

TEST(ReplyFraming, EndsAChunkOnlyAtTheEndOfACompleteReply) {
  const std::vector<Case> cases = {
      // Done and report replies, with and without the echo in front.
      {"done", kDone, M::kReplies, true},
      {"report", Report("VER", "V1.0.4"), M::kReplies, true},
      {"echo and report", "AT+VER?\r\n" + Report("VER", "V1.0.4"), M::kReplies, true},
      {"echo and done", "AT+E=ON\r\n" + kDone, M::kReplies, true},
      {"report without its OK yet", "\r\n+VER:V1.0.4\r\n\r\n", M::kReplies, false},
      {"OK without its last line end", "\r\n+VER:V1\r\n\r\nOK\r\n", M::kReplies, false},
      {"OK without line ends", "\r\n+VER:V1\r\n\r\nOK", M::kReplies, false},
      {"OK not at the start of a line", "OK\r\n\r\n", M::kReplies, false},
      {"bytes after the OK", kDone + "\r\n", M::kReplies, false},
      {"a second reply begun", kDone + "\r\n+", M::kReplies, false},
      // "OK" inside a report's value is no end.
      {"value OK, report end only", "\r\n+STMSG:OK\r\n\r\n", M::kReplies, false},
      {"value OK, whole report", Report("STMSG", "OK"), M::kReplies, true},
      {"value ending in OK", "\r\n+HTPHD:ALL OK\r\n\r\n", M::kReplies, false},
      {"value with a colon", Report("HTPHD", "Connection: close[0D][0A]"), M::kReplies, true},
      // Errors: the code line framed by line ends.
      {"error", Error("4"), M::kReplies, true},
      {"echo and error", "AT+SOCKA=TCP\r\n" + Error("4"), M::kReplies, true},
      {"error without the empty line", "\r\n+ERR:4\r\n", M::kReplies, false},
      {"error code not yet ended", "\r\n+ERR:4", M::kReplies, false},
      {"error without a code", "\r\n+ERR:\r\n\r\n", M::kReplies, false},
      {"error not at a line start", "+ERR:4\r\n\r\n", M::kReplies, false},
      {"error text inside a value", "\r\n+STMSG:+ERR:4\r\n\r\n", M::kReplies, false},
      {"error text in an echo", "AT+STMSG=+ERR:4\r\n\r\n", M::kReplies, false},
      {"error code over two lines", "\r\n+ERR:4\r\n5\r\n\r\n", M::kReplies, false},
      // Mode confirmations, whole only.
      {"confirmation", std::string(marker::kConfirmation), M::kReplies, true},
      {"confirmation with echo", std::string(marker::kConfirmationWithEcho), M::kReplies, true},
      {"confirmation begun", "a+ok", M::kReplies, false},
      {"confirmation after data", "xy+ok\r\n", M::kReplies, false},
      {"mode answer without +++ sent", "a", M::kReplies, false},
      {"mode answer after +++", "a", M::kRepliesAfterModeEntry, true},
      {"confirmation after +++", "a+ok\r\n", M::kRepliesAfterModeEntry, true},
      {"data ending in a after +++", "data", M::kRepliesAfterModeEntry, false},
      // The boot loader's dialogue.
      {"boot menu", kMenu, M::kReplies, true},
      {"boot menu after other text", "\r\nT418 V1.0\r\n" + kMenu, M::kReplies, true},
      {"boot menu without its prompt", kMenu.substr(0, kMenu.size() - 1), M::kReplies, false},
      {"update prompt", kPrompt, M::kReplies, true},
      {"update prompt begun", kPrompt.substr(0, 12), M::kReplies, false},
      {"confirmation of Y without Y sent", "Y\r\n", M::kReplies, false},
      {"confirmation of Y after Y", "Y\r\n", M::kRepliesAfterUpdateYes, true},
      {"Y begun", "Y\r", M::kRepliesAfterUpdateYes, false},
      // The start-up message has no terminator: it ends at the gap.
      {"start-up message", "\r\n[ZAV-T418]\r\n", M::kReplies, false},
      {"start-up message OK", "\r\nOK\r\n", M::kReplies, false},
      // Transfer replies count only while a transfer runs.
      {"ACK outside a transfer", kAck, M::kReplies, false},
      {"C outside a transfer", "C", M::kReplies, false},
      {"ACK", kAck, M::kXModem, true},
      {"NAK", kNak, M::kXModem, true},
      {"C", "C", M::kXModem, true},
      {"final reply", kFinal, M::kXModem, true},
      {"final reply begun", kFinal.substr(0, 3), M::kXModem, false},
      {"two ACKs", kAck + kAck, M::kXModem, false},
      {"one CAN", kCan, M::kXModem, false},
      {"two CANs", kCan + kCan, M::kXModem, false},
      {"other byte", "x", M::kXModem, false},
      {"OK during a transfer", kDone, M::kXModem, false},
      {"ACK after EOT may begin the final reply", kAck, M::kXModemAfterEnd, false},
      {"final reply after EOT", kFinal, M::kXModemAfterEnd, true},
      {"NAK after EOT", kNak, M::kXModemAfterEnd, true},
      {"C after EOT", "C", M::kXModemAfterEnd, true},
      // Off: nothing ends early.
      {"done, off", kDone, M::kOff, false},
      {"ACK, off", kAck, M::kOff, false},
      {"nothing yet", "", M::kReplies, false},
      {"nothing yet, transfer", "", M::kXModem, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what) + " / " + std::string(FramingModeName(c.mode)));
    EXPECT_EQ(EndsWithCompleteReply(c.pending, c.mode), c.complete);
  }
}

// What a slow line gives as one chunk must not be cut anywhere before its end:
// no proper beginning of a reply may count as complete in the mode its send left.
TEST(ReplyFraming, NoBeginningOfAReplyEndsItEarly) {
  struct Whole {
    const char* what;
    std::string reply;
    M mode;
    bool completeAtItsEnd;
  };
  const std::vector<Whole> replies = {
      {"echo and report", "AT+VER?\r\n" + Report("VER", "V1.0.4"), M::kReplies, true},
      {"report holding OK and +ERR:", "AT+STMSG?\r\n" + Report("STMSG", "OK\t+ERR:1 OK"), M::kReplies, true},
      {"echo and error", "AT+SOCKA=TCP\r\n" + Error("4"), M::kReplies, true},
      {"confirmation with echo", "a+ok\r\n", M::kReplies, true},
      {"help text", "\r\nAT+NAME? reads.\r\nCommands: E,OK\r\n" + kDone, M::kReplies, true},
      {"echo of Y typed by hand and its error", "Y\r\n" + Error("1"), M::kReplies, true},
      {"boot menu", kMenu, M::kReplies, true},
      {"update prompt", kPrompt, M::kRepliesAfterModeEntry, true},
      {"final reply", kFinal, M::kXModemAfterEnd, true},
      {"abort", kCan + kCan, M::kXModem, false},
      {"start-up message", "\r\n[ZAV-T418]\r\n", M::kReplies, false},
  };
  for (const Whole& w : replies) {
    SCOPED_TRACE(w.what);
    for (std::size_t cut = 1; cut < w.reply.size(); ++cut) {
      EXPECT_FALSE(EndsWithCompleteReply(std::string_view(w.reply).substr(0, cut), w.mode)) << "cut at " << cut;
    }
    EXPECT_EQ(EndsWithCompleteReply(w.reply, w.mode), w.completeAtItsEnd);
  }
}

TEST(ReplyFraming, ASendSelectsTheAnswerItExpects) {
  struct Step {
    M before;
    std::string sent;
    M after;
  };
  const std::vector<Step> steps = {
      {M::kReplies, "+++", M::kRepliesAfterModeEntry},
      {M::kRepliesAfterModeEntry, "a", M::kReplies},
      {M::kRepliesAfterModeEntry, "+++", M::kRepliesAfterModeEntry},
      {M::kReplies, "+++\r\n", M::kReplies},
      {M::kReplies, "F", M::kReplies},
      {M::kReplies, "Y", M::kRepliesAfterUpdateYes},
      {M::kRepliesAfterUpdateYes, "AT+VER?\r\n", M::kReplies},
      {M::kRepliesAfterUpdateYes, "+++", M::kRepliesAfterModeEntry},
      {M::kXModem, kEot, M::kXModemAfterEnd},
      {M::kXModemAfterEnd, std::string(133, '\x01'), M::kXModem},
      {M::kXModem, "+++", M::kXModem},
      {M::kXModemAfterEnd, "R", M::kXModem},
      {M::kReplies, kEot, M::kReplies},
      {M::kOff, "+++", M::kOff},
      {M::kOff, kEot, M::kOff},
      {M::kOff, "Y", M::kOff},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(FramingModeName(s.before)) + " + " + s.sent);
    EXPECT_EQ(FramingAfterSending(s.before, s.sent), s.after);
    EXPECT_EQ(PlainFraming(s.after), PlainFraming(s.before));
  }
}

}  // namespace
}  // namespace t418
