#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "read_all_queries.h"
#include "session/manual_terminal.h"
#include "session_fakes.h"

namespace t418 {
namespace {

using testing::EngineRig;

const std::string kDoOver = "<info_DoOver>";
const std::string kNoPort = "<info_ComNoOpen>";

std::string Report(const std::string& name, const std::string& value) {
  return "\r\n+" + name + ":" + value + "\r\n\r\nOK\r\n\r\n";
}

// The name of the command in a query line "AT+NAME?" CR LF.
std::string QueryName(const std::string& line) {
  if (line.rfind("AT+", 0) != 0 || line.size() < 6) return {};
  return line.substr(3, line.size() - 6);
}

// Lets the pause end and returns what went out.
std::vector<std::string> SendAfterPause(EngineRig& rig) {
  rig.Advance(rig.engine.delayTime);
  return rig.TakeWritten();
}

// Queues the lines and lets the first go out after its pause.
void StartRun(EngineRig& rig, std::initializer_list<const char*> lines) {
  for (const char* line : lines) rig.orders.AddOrder(line);
  rig.engine.SendCurrentOrder();
  SendAfterPause(rig);
}

TEST(TextBetween, CutsBetweenTheFirstMarks) {
  struct Case {
    std::string text, start, end, expected;
  } cases[] = {
      {"", "a", "b", ""},
      {"\r\n+WKMOD:NET\r\n", "\r\n+", ":", "WKMOD"},
      {"x:y\r\n+NAME", "\r\n+", ":", ""},       // end mark before the start mark
      {"\r\n+NAME", "\r\n+", ":", ""},          // no end mark
      {"\r\n+:NET", "\r\n+", ":", ""},          // nothing between
      {"ab:cd\r\n\r\n", ":", "\r\n\r\n", "cd"},
      {"A:B:C\r\n\r\n", ":", "\r\n\r\n", "B:C"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.start, c.end), c.expected) << c.text;
}

TEST(ParseReply, CutsNameAndValue) {
  struct Case {
    std::string chunk, name, value;
  } cases[] = {
      {"AT+WKMOD?\r\n\r\n+WKMOD:NET\r\n\r\nOK\r\n\r\n", "WKMOD", "NET"},
      {"\r\n+HTPHD:Connection: close[0D][0A]\r\n\r\nOK\r\n\r\n", "HTPHD", "Connection: close[0D][0A]"},
      {"\r\n+SOCKA:TCP,test.example,2317\r\n\r\nOK\r\n\r\n", "SOCKA", "TCP,test.example,2317"},
  };
  for (const auto& c : cases) {
    EngineRig rig;
    rig.engine.ParseReply(c.chunk);
    ASSERT_EQ(rig.reports.reports.size(), 1u) << c.chunk;
    EXPECT_EQ(rig.reports.reports[0], std::make_pair(c.name, c.value));
    EXPECT_EQ(rig.values.Value(c.name), c.value);
    EXPECT_EQ(rig.logView.TextsOf(LogColour::Reply), std::vector<std::string>{c.chunk});
  }
}

TEST(ParseReply, StoresNothingForEchoesAndDoneReplies) {
  for (const std::string& chunk : {std::string("\r\nOK\r\n\r\n"), std::string("AT+VER?\r\n")}) {
    EngineRig rig;
    rig.engine.LastSent = "AT+VER?\r\n";
    rig.engine.ParseReply(chunk);
    EXPECT_TRUE(rig.reports.reports.empty()) << chunk;
    EXPECT_TRUE(rig.values.Entries().empty()) << chunk;
    EXPECT_EQ(rig.logView.Count(chunk), 1) << chunk;
  }
}

TEST(ParseReply, AnEmptyValueRemovesTheStoredEntry) {
  EngineRig rig;
  rig.values.PutValue("STMSG", "OLD");
  rig.engine.ParseReply("\r\n+STMSG:\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.values.Value("STMSG"), "");
  ASSERT_EQ(rig.reports.reports.size(), 1u);
  EXPECT_EQ(rig.reports.reports[0].second, "");
}

// Answers every query line with a report, as a terminal in command mode does.
void PlayTerminal(EngineRig& rig, std::vector<std::string>& sentLines, int maxLines = 200) {
  for (int i = 0; i < maxLines; ++i) {
    auto written = SendAfterPause(rig);
    if (written.empty()) return;
    for (const auto& line : written) {
      sentLines.push_back(line);
      const std::string name = QueryName(line);
      rig.engine.HandleReceived(Report(name, name == "VER" ? "V1.0.5" : "v-" + name));
    }
  }
}

TEST(ReadAll, SendsSeventyQueriesInOrderAndCompletesOnce) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagAskAll);
  EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaReadAll);
  std::vector<std::string> sent;
  PlayTerminal(rig, sent);

  ASSERT_EQ(testing::ReadAllQueryNames().size(), 70u);
  EXPECT_EQ(sent, testing::ReadAllQueryLines("\r\n"));

  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
  EXPECT_EQ(rig.logView.entries.back().text, kDoOver);
  EXPECT_EQ(rig.hardware.current, THdVerSign::Hd540);
  EXPECT_EQ(rig.values.Value("WKMOD"), "v-WKMOD");
  EXPECT_EQ(rig.values.Value("QHWVER"), "v-QHWVER");
  // Every report but the version reached the parameter view, in order.
  ASSERT_EQ(rig.reports.reports.size(), 69u);
  EXPECT_EQ(rig.reports.reports.front().first, "E");
  // Progress counted lines 0 to 68 of 69, then was hidden.
  ASSERT_EQ(rig.view.shown.size(), 69u);
  EXPECT_EQ(rig.view.shown.back(), std::make_pair(69, 68));
  EXPECT_EQ(rig.view.hidden, 1);
}

TEST(ReadAll, NoLineGoesOutBeforeThePauseHasPassed) {
  EngineRig rig;
  rig.engine.delayTime = 150;
  rig.engine.ActionButtonClick(kTagAskAll);
  rig.Advance(149);
  EXPECT_TRUE(rig.TakeWritten().empty());
  rig.Advance(1);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT+VER?\r\n"});
  EXPECT_TRUE(rig.timer.Active());
}

TEST(ReadAll, ChunksArrivingDuringAPauseAreHandledAfterTheDelayedLineInOrder) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagAskAll);
  SendAfterPause(rig);
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));  // moves on to "E", pausing
  ASSERT_TRUE(rig.engine.Pausing());
  rig.engine.HandleReceived("noise");
  rig.engine.HandleReceived(Report("E", "ON"));
  EXPECT_TRUE(rig.values.Value("E").empty());  // not yet: the line is still waiting
  // "E" goes out, then "noise" is logged, then the report moves the run to WKMOD.
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+E?\r\n"});
  EXPECT_EQ(rig.values.Value("E"), "ON");
  EXPECT_EQ(rig.orders.OrderIndex, 2);
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+WKMOD?\r\n"});
}

TEST(Replies, AnExactEchoOrAnUnrecognisedChunkKeepsTheReplyTimerRunning) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagVER);
  SendAfterPause(rig);
  ASSERT_TRUE(rig.timer.Active());
  rig.engine.HandleReceived("AT+VER?\r\n");
  EXPECT_TRUE(rig.timer.Active());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText), std::vector<std::string>{"AT+VER?\r\n"});
  rig.engine.HandleReceived("garbage");
  // Still guarded: the read does not wait for ever, the time-out brings the terminal back.
  EXPECT_TRUE(rig.timer.Active());
  rig.Advance(5000);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"});
  // The unrecognised bytes were shown as they came when the time-out gave up on them.
  EXPECT_EQ(rig.logView.Count("garbage"), 1);
}

TEST(Replies, AnErrorReplySkipsTheLineAndAFollowingAnswerLine) {
  EngineRig rig;
  StartRun(rig, {"AT+E?\r\n", "a", "AT+WKMOD?\r\n", "AT+SN?\r\n"});
  const std::string refusal = "\r\n+ERR:5\r\n\r\n+E:ON\r\n\r\nOK\r\n\r\n";  // error and report together
  rig.engine.HandleReceived(refusal);
  EXPECT_EQ(rig.orders.OrderIndex, 2);
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{refusal});
  EXPECT_TRUE(rig.values.Entries().empty());  // treated as an error only
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+WKMOD?\r\n"});
  // The refused line is not sent again, and the terminal's error counts as received bytes.
  EXPECT_EQ(rig.log.ReceivedCount(), refusal.size());
}

TEST(Replies, AnErrorReplyToTheLastLineEndsTheRunSilently) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagVER);
  SendAfterPause(rig);
  rig.engine.HandleReceived("\r\n+ERR:1\r\n\r\n");
  EXPECT_EQ(rig.orders.OrderIndex, rig.orders.OrderCount());
  EXPECT_TRUE(SendAfterPause(rig).empty());
  EXPECT_EQ(rig.logView.Count(kDoOver), 0);
  // The run is over: its progress is not left showing.
  EXPECT_EQ(rig.view.hidden, 1);
  EXPECT_FALSE(rig.engine.Running());
}

TEST(Replies, AValueFullOfPlusSignsIsStoredAndMovesTheRunOn) {
  EngineRig rig;
  StartRun(rig, {"AT+STMSG?\r\n", "AT+SN?\r\n"});
  rig.engine.HandleReceived("AT+STMSG?\r\n\r\n+STMSG:+++ZAV+T418+++\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.values.Value("STMSG"), "+++ZAV+T418+++");
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+SN?\r\n"});
}

TEST(Replies, AReplySplitInTwoChunksIsGatheredAndJudgedWhole) {
  EngineRig rig;
  StartRun(rig, {"AT+WKMOD?\r\n", "AT+SN?\r\n"});
  rig.engine.HandleReceived("\r\n+WKMOD:NE");
  EXPECT_TRUE(rig.timer.Active());  // the rest is awaited under the line's time-out
  EXPECT_EQ(rig.orders.OrderIndex, 0);
  EXPECT_TRUE(rig.logView.TextsOf(LogColour::Reply).empty());  // shown once whole
  EXPECT_TRUE(rig.logView.TextsOf(LogColour::WindowText).empty());
  rig.engine.HandleReceived("T\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.orders.OrderIndex, 1);
  EXPECT_EQ(rig.values.Value("WKMOD"), "NET");
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Reply), std::vector<std::string>{"\r\n+WKMOD:NET\r\n\r\nOK\r\n\r\n"});
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+SN?\r\n"});
}

TEST(ReplyTimeout, BringsTheTerminalBackAndRepeatsTheLine) {
  EngineRig rig;
  StartRun(rig, {"AT+E?\r\n", "AT+WKMOD?\r\n"});
  rig.engine.HandleReceived(Report("E", "ON"));
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+WKMOD?\r\n"});

  rig.Advance(4999);
  EXPECT_TRUE(rig.TakeWritten().empty());
  rig.Advance(1);  // time-out: "+++" goes out at once, without the pause
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"});
  EXPECT_EQ(rig.orders.Lines(),
            (std::vector<std::string>{"AT+E?\r\n", "+++", "a", "AT+WKMOD?\r\n"}));
  // The "+++" keeps a time-out of its own, so a silent line is noticed.
  EXPECT_TRUE(rig.timer.Active());

  rig.engine.HandleReceived("a");
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"a"});  // at once, timer on
  EXPECT_TRUE(rig.timer.Active());
  rig.engine.HandleReceived("+ok\r\n");
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+WKMOD?\r\n"});
  rig.engine.HandleReceived(Report("WKMOD", "NET"));
  EXPECT_EQ(rig.values.Value("WKMOD"), "NET");
  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
}

TEST(ReplyTimeout, AnUnansweredRecoveryEndsTheRunWithAWarningThatSaysWhatToCheck) {
  // Nothing behind the port, a wrong baud rate or no power: "+++" gets no "a" either.
  for (const int tag : {kTagAskAll, kTagVER, kTagPPPA}) {
    EngineRig rig;
    rig.engine.ActionButtonClick(tag);
    rig.Advance(150);
    EXPECT_EQ(rig.TakeWritten().size(), 1u) << tag;  // the query, or "+++" for the button
    rig.Advance(5000);
    if (tag != kTagPPPA) {
      EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"}) << tag;
      rig.Advance(5000);
    }
    EXPECT_EQ(rig.logView.Count("<info_NoAnswer>"), 1) << tag;
    EXPECT_EQ(rig.view.hidden, 1) << tag;
    EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaNone) << tag;
    EXPECT_FALSE(rig.timer.Active()) << tag;
    rig.Advance(60000);
    EXPECT_TRUE(rig.TakeWritten().empty()) << tag;
  }
}

TEST(ReplyTimeout, ALineUnansweredAfterItsRecoveryEndsTheRun) {
  EngineRig rig;
  StartRun(rig, {"AT+WKMOD?\r\n", "AT+SN?\r\n"});
  rig.Advance(5000);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"});
  rig.engine.HandleReceived("a");
  rig.engine.HandleReceived("+ok\r\n");
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"a"});
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+WKMOD?\r\n"});
  rig.Advance(5000);  // silent again: no second recovery, no endless "+++"
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_FALSE(rig.timer.Active());
  EXPECT_EQ(rig.logView.Count("<info_NoReply>: AT+WKMOD?\r\n"), 1);
  EXPECT_EQ(rig.view.hidden, 1);
  rig.Advance(60000);
  EXPECT_TRUE(rig.TakeWritten().empty());
}

TEST(ClosedPort, WarnsOnceAndEndsTheRunInsteadOfTryingCommandMode) {
  EngineRig rig;
  rig.line.open = false;
  rig.engine.ActionButtonClick(kTagAskAll);
  rig.Advance(150);
  EXPECT_EQ(rig.logView.Count(kNoPort), 1);
  EXPECT_FALSE(rig.timer.Active());
  EXPECT_FALSE(rig.engine.Running());
  rig.Advance(60000);
  EXPECT_EQ(rig.logView.Count(kNoPort), 1);
  EXPECT_EQ(rig.logView.Count("<info_NoAnswer>"), 0);
  EXPECT_TRUE(rig.line.written.empty());
  EXPECT_EQ(rig.orders.OrderCount(), 0);
  // The system's own warnings are no received bytes.
  EXPECT_EQ(rig.log.ReceivedCount(), 0u);
}

TEST(CommandMode, AnEchoedAnswerAndTheConfirmationEndTheRunOnce) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagPPPA);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"});  // no pause for mode switches
  rig.engine.HandleReceived("a");
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"a"});
  rig.engine.HandleReceived("a");  // the terminal's echo of "a", the first byte of "a+ok"
  EXPECT_EQ(rig.logView.Count(kDoOver), 0);
  EXPECT_TRUE(rig.engine.Running());
  rig.engine.HandleReceived("+ok\r\n");
  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
  EXPECT_FALSE(rig.engine.Running());
  EXPECT_TRUE(rig.values.Entries().empty());
}

TEST(ActionButtons, SingleCommandsGoOutAtOnceAndLeaveTheRunAlone) {
  struct Case {
    int tag;
    std::string line;
  } cases[] = {{kTagH, "AT+H\r\n"},         {kTagZ, "AT+Z\r\n"},         {kTagCFGTF, "AT+CFGTF\r\n"},
               {kTagRELD, "AT+RELD\r\n"},   {kTagCLEAR, "AT+CLEAR\r\n"}, {kTagCSQ, "AT+CSQ\r\n"},
               {kTagSysRestart, "AT+REBOOT\r\n"}};
  for (const auto& c : cases) {
    EngineRig rig;
    rig.engine.pendingAction = PendingAction::PaReadAll;
    rig.orders.AddOrder("AT+E?\r\n");
    rig.engine.ActionButtonClick(c.tag);
    EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{c.line}) << c.tag;
    EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaNone);
    EXPECT_FALSE(rig.timer.Active());
    EXPECT_EQ(rig.orders.OrderCount(), 1);
  }
}

TEST(ActionButtons, ASingleCommandIsRefusedWhileARunHasLinesLeft) {
  EngineRig rig;
  StartRun(rig, {"AT+E?\r\n", "AT+SN?\r\n"});
  EXPECT_FALSE(rig.engine.ActionButtonClick(kTagCSQ));
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.logView.Count("<info_RunBusy>"), 1);
  rig.engine.HandleReceived(Report("E", "ON"));
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+SN?\r\n"});
}

TEST(ActionButtons, EnterDataModeEmptiesTheListAndLeavesTheTimer) {
  EngineRig rig;
  rig.orders.AddOrder("AT+E?\r\n");
  rig.timer.Start();
  rig.engine.ActionButtonClick(kTagENTM);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT+ENTM\r\n"});
  EXPECT_EQ(rig.orders.OrderCount(), 0);
  EXPECT_TRUE(rig.timer.Active());
  rig.engine.HandleReceived("\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
}

class FakeBuilder : public ConfigurationBuilder {
 public:
  int builds = 0;
  void BuildConfiguration(OrderList& orders) override {
    ++builds;
    orders.ClearOrders();
    orders.AddSet(TCmd::WKMOD, "NET");
    orders.AddSet(TCmd::UARTFT, "50");
  }
};

TEST(WriteAll, BuildsTheConfigurationAndSendsItFromTheFirstLine) {
  EngineRig rig;
  FakeBuilder builder;
  rig.engine.SetConfigurationBuilder(&builder);
  rig.hardware.identityCmd = TCmd::MEID;
  rig.engine.ActionButtonClick(kTagSetAll);
  EXPECT_EQ(rig.hardware.identityCmd, TCmd::IMEI);
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+WKMOD=NET\r\n"});
  rig.engine.HandleReceived("\r\nOK\r\n\r\n");
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+UARTFT=50\r\n"});
  rig.engine.HandleReceived("\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
  // A version report after the write neither builds the list again nor sends it.
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));
  EXPECT_EQ(builder.builds, 1);
  EXPECT_TRUE(SendAfterPause(rig).empty());
}

TEST(WriteAll, WithoutABuilderNothingIsSent) {
  EngineRig rig;
  rig.orders.AddOrder("AT+E?\r\n");
  rig.engine.ActionButtonClick(kTagSetAll);
  EXPECT_TRUE(SendAfterPause(rig).empty());
  EXPECT_EQ(rig.orders.OrderCount(), 0);
}

TEST(HardwareSign, ReportsSteerTheIdentityCommand) {
  struct Case {
    std::string name, value;
    THdVerSign sign;
    TCmd identity;
    bool warned;
  } cases[] = {
      {"HDVER", "V1.0.0", THdVerSign::Hd520, TCmd::MEID, false},
      {"HDVER", "V2.3.4", THdVerSign::Hd521, TCmd::IMEI, false},
      {"HDVER", "2.100.0", THdVerSign::HdUnknown, TCmd::IMEI, true},  // identity kept
      {"HDVER", "V3.0.0", THdVerSign::HdUnknown, TCmd::IMEI, true},
      {"VER", "abc", THdVerSign::Hd540, TCmd::IMEI, false},
  };
  for (const auto& c : cases) {
    EngineRig rig;
    rig.hardware.identityCmd = TCmd::IMEI;
    rig.engine.ParseReply(Report(c.name, c.value));
    EXPECT_EQ(rig.hardware.current, c.sign) << c.value;
    EXPECT_EQ(rig.hardware.identityCmd, c.identity) << c.value;
    EXPECT_EQ(rig.logView.Count("<info_PlsUpFw>"), c.warned ? 1 : 0) << c.value;
    EXPECT_EQ(rig.view.identityChanges, c.warned ? 0 : 1) << c.value;
    EXPECT_TRUE(rig.reports.reports.empty());  // steered here, not by the view
    EXPECT_EQ(rig.orders.OrderCount(), 0);     // no pending action: nothing queued
  }
}

TEST(HardwareSign, AfterTheFirstModelTheNextReadAllAsksForImei) {
  EngineRig rig;
  rig.engine.ParseReply(Report("HDVER", "V1.0.0"));
  ASSERT_EQ(rig.hardware.identityCmd, TCmd::MEID);
  rig.engine.ActionButtonClick(kTagAskAll);
  SendAfterPause(rig);
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));
  EXPECT_EQ(rig.orders.GetOrder(8), "AT+IMEI?\r\n");
}

TEST(ManualTerminal, SendBytesKeepsTheRunState) {
  EngineRig rig;
  rig.engine.LastSent = "AT+E?\r\n";
  rig.engine.SendBytes("AT\r\n");
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT\r\n"});
  EXPECT_EQ(rig.engine.LastSent, "AT+E?\r\n");
  EXPECT_FALSE(rig.timer.Active());
  rig.line.open = false;
  rig.engine.SendBytes("x");
  EXPECT_EQ(rig.logView.Count(kNoPort), 1);
  EXPECT_TRUE(rig.TakeWritten().empty());
}

TEST(ManualTerminal, SetCommandGoesOutAtOnce) {
  EngineRig rig;
  rig.engine.SendSetCommand("SMSEND", "861234567,hello");
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT+SMSEND=861234567,hello\r\n"});
  EXPECT_EQ(rig.engine.LastSent, "AT+SMSEND=861234567,hello\r\n");
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Sent), std::vector<std::string>{"AT+SMSEND=861234567,hello\r\n"});
}

// ---- Runs: one at a time, and each ends ----

// The rig's view that also records how runs end and the run state.
class RunView : public testing::RecordingSessionView {
 public:
  std::vector<bool> ended;   // RunEnded(completed)
  std::vector<bool> states;  // RunStateChanged(running)
  void RunEnded(bool completed) override { ended.push_back(completed); }
  void RunStateChanged(bool running) override { states.push_back(running); }
};

struct RunRig : EngineRig {
  RunView runView;
  RunRig() { engine.SetView(&runView); }
};

// A full read brought to its fourth line (three answered, the fourth asked).
void ReadAllToTheFourthLine(RunRig& rig) {
  rig.engine.ActionButtonClick(kTagAskAll);
  SendAfterPause(rig);
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));
  SendAfterPause(rig);
  rig.engine.HandleReceived(Report("E", "ON"));
  SendAfterPause(rig);
  rig.engine.HandleReceived(Report("WKMOD", "NET"));
  ASSERT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+CMDPW?\r\n"});
}

TEST(Runs, StoppingEndsTheRunWhereverItIsAndNothingOfItGoesOutLater) {
  struct Case {
    std::string name;
    std::function<void(RunRig&)> bringTo;
    std::string done;  // what the log says of how far it got
  } cases[] = {
      {"awaiting a reply", [](RunRig&) {}, "3/70"},
      {"in the pause", [](RunRig& rig) { rig.engine.HandleReceived(Report("CMDPW", "x")); }, "4/70"},
      {"with half a reply gathered", [](RunRig& rig) { rig.engine.HandleReceived("\r\n+CMDPW:zu"); }, "3/70"},
      {"in a chunk that came during the pause",
       [](RunRig& rig) {
         rig.engine.HandleReceived(Report("CMDPW", "x"));
         rig.engine.HandleReceived("\r\n+STMSG:late");
       },
       "4/70"},
      {"bringing the terminal back",
       [](RunRig& rig) {
         rig.Advance(5000);
         ASSERT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"});
       },
       "3/70"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunRig rig;
    ASSERT_NO_FATAL_FAILURE(ReadAllToTheFourthLine(rig));
    c.bringTo(rig);
    const int hiddenBefore = rig.runView.hidden;
    rig.engine.StopRun();

    EXPECT_FALSE(rig.engine.Running());
    EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaNone);
    EXPECT_FALSE(rig.timer.Active());
    EXPECT_EQ(rig.runView.hidden, hiddenBefore + 1);
    EXPECT_EQ(rig.runView.ended, std::vector<bool>{false});
    EXPECT_EQ(rig.runView.states, (std::vector<bool>{true, false}));
    EXPECT_EQ(rig.logView.Count("<info_RunStopped>" + c.done), 1);
    rig.Advance(60000);
    EXPECT_TRUE(rig.TakeWritten().empty());
    // The terminal's next replies (to single commands) move nothing on.
    rig.engine.ActionButtonClick(kTagCLEAR);
    EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT+CLEAR\r\n"});
    rig.engine.HandleReceived("\r\nOK\r\n\r\n");
    rig.engine.HandleReceived("\r\n+ERR:1\r\n\r\n");
    rig.Advance(60000);
    EXPECT_TRUE(rig.TakeWritten().empty());
    EXPECT_EQ(rig.runView.ended.size(), 1u);
  }
}

TEST(Runs, BytesGatheredOrDeferredWhenARunStopsAreShownAsReceived) {
  RunRig rig;
  ASSERT_NO_FATAL_FAILURE(ReadAllToTheFourthLine(rig));
  rig.engine.HandleReceived(Report("CMDPW", "x"));  // now pausing
  rig.engine.HandleReceived("\r\n+STMSG:lat");
  rig.engine.HandleReceived("e");
  const auto before = rig.log.ReceivedCount();
  rig.engine.StopRun();
  EXPECT_EQ(rig.log.ReceivedCount(), before + std::string("\r\n+STMSG:late").size());
  EXPECT_EQ(rig.logView.Count("\r\n+STMSG:late"), 1);
  EXPECT_TRUE(rig.values.Value("STMSG").empty());
}

TEST(Runs, ASecondActionWhileARunGoesIsRefusedAndTheRunGoesOn) {
  const int tags[] = {kTagAskAll, kTagSetAll, kTagPPPA, kTagENTM, kTagH,     kTagZ,
                      kTagVER,    kTagCFGTF,  kTagRELD, kTagCLEAR, kTagCSQ, kTagSysRestart};
  for (const int tag : tags) {
    RunRig rig;
    FakeBuilder builder;
    rig.engine.SetConfigurationBuilder(&builder);
    ASSERT_NO_FATAL_FAILURE(ReadAllToTheFourthLine(rig));
    EXPECT_FALSE(rig.engine.ActionButtonClick(tag)) << tag;
    EXPECT_EQ(rig.logView.Count("<info_RunBusy>"), 1) << tag;
    EXPECT_TRUE(rig.TakeWritten().empty()) << tag;
    EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaReadAll) << tag;
    EXPECT_EQ(builder.builds, 0) << tag;
    // The read goes on to its end.
    std::vector<std::string> sent;
    rig.engine.HandleReceived(Report("CMDPW", "x"));
    PlayTerminal(rig, sent);
    EXPECT_EQ(sent.size(), 66u) << tag;
    EXPECT_EQ(rig.runView.ended, std::vector<bool>{true}) << tag;
    EXPECT_EQ(rig.logView.Count(kDoOver), 1) << tag;
  }
}

TEST(Runs, TypedSendsAndTextMessagesAreRefusedWhileARunGoes) {
  SendAreaState typed;
  typed.text = "AT+CSQ\r\n";
  SendAreaState sms;
  sms.type = SendType::Sms;
  sms.phoneNumber = "1234567";
  sms.text = "hello";
  for (const auto& area : {typed, sms}) {
    RunRig rig;
    ManualTerminal terminal(rig.engine);
    ASSERT_NO_FATAL_FAILURE(ReadAllToTheFourthLine(rig));
    EXPECT_FALSE(terminal.Send(area));
    EXPECT_TRUE(rig.TakeWritten().empty());
    EXPECT_EQ(rig.logView.Count("<info_RunBusy>"), 1);
    EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaReadAll);
    // Idle again, the same send goes out.
    rig.engine.StopRun();
    EXPECT_TRUE(terminal.Send(area));
    EXPECT_EQ(rig.TakeWritten().size(), 1u);
  }
}

TEST(Runs, EveryEndTellsTheViewOnce) {
  struct Case {
    std::string name;
    std::function<void(RunRig&)> run;
    bool completed;
  } cases[] = {
      {"completed",
       [](RunRig& rig) {
         StartRun(rig, {"AT+E?\r\n"});
         rig.engine.HandleReceived(Report("E", "ON"));
       },
       true},
      {"last line refused",
       [](RunRig& rig) {
         StartRun(rig, {"AT+WKMOD=NET\r\n"});
         rig.engine.HandleReceived("\r\n+ERR:4\r\n\r\n");
       },
       true},
      {"no answer",
       [](RunRig& rig) {
         rig.engine.ActionButtonClick(kTagPPPA);
         rig.Advance(5000);
       },
       false},
      {"no reply after the recovery",
       [](RunRig& rig) {
         StartRun(rig, {"AT+E?\r\n"});
         rig.Advance(5000);
         rig.engine.HandleReceived("a");
         rig.engine.HandleReceived("+ok\r\n");
         rig.Advance(5150);
       },
       false},
      {"stopped",
       [](RunRig& rig) {
         StartRun(rig, {"AT+E?\r\n"});
         rig.engine.StopRun();
       },
       false},
      {"port closed before the line",
       [](RunRig& rig) {
         rig.engine.ActionButtonClick(kTagVER);
         rig.line.open = false;
         rig.Advance(150);
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunRig rig;
    c.run(rig);
    rig.Advance(60000);
    EXPECT_EQ(rig.runView.ended, std::vector<bool>{c.completed});
    EXPECT_EQ(rig.runView.states, (std::vector<bool>{true, false}));
    EXPECT_FALSE(rig.engine.Running());
  }
}

TEST(SingleCommands, AReplyNeverMovesARunOn) {
  // The reply to "Reset to factory settings" comes after a full read was clicked.
  RunRig rig;
  rig.engine.ActionButtonClick(kTagCLEAR);
  rig.engine.ActionButtonClick(kTagAskAll);
  EXPECT_EQ(SendAfterPause(rig), (std::vector<std::string>{"AT+CLEAR\r\n", "AT+VER?\r\n"}));
  rig.engine.HandleReceived("AT+CLEAR\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.orders.OrderIndex, 0);
  EXPECT_TRUE(SendAfterPause(rig).empty());
  EXPECT_TRUE(rig.timer.Active());  // still guarding the version query
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+E?\r\n"});
}

TEST(SingleCommands, AReplyOutsideARunIsParsedAndSaysComplete) {
  RunRig rig;
  SendAreaState area;
  area.text = "AT+VER?";
  area.autoCR = true;
  ManualTerminal terminal(rig.engine);
  ASSERT_TRUE(terminal.Send(area));
  rig.TakeWritten();
  EXPECT_EQ(rig.engine.AwaitedSingleReplies(), 1);
  rig.engine.HandleReceived("AT+VER?\r\n\r\n+VER:V1.");  // in two pieces
  rig.engine.HandleReceived("0.5\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.values.Value("VER"), "V1.0.5");
  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
  EXPECT_EQ(rig.engine.AwaitedSingleReplies(), 0);
  EXPECT_TRUE(rig.runView.ended.empty());  // no run started or ended
  EXPECT_EQ(rig.orders.OrderCount(), 0);
}

TEST(SingleCommands, AReplyThatNeverComesIsNoLongerAwaitedAfterTheReplyInterval) {
  RunRig rig;
  rig.engine.ActionButtonClick(kTagZ);
  rig.engine.HandleReceived("\r\n[ZAV-T4");  // the start of a start-up message
  rig.Advance(4999);
  EXPECT_EQ(rig.engine.AwaitedSingleReplies(), 1);
  rig.Advance(1);
  EXPECT_EQ(rig.engine.AwaitedSingleReplies(), 0);
  EXPECT_EQ(rig.logView.Count("\r\n[ZAV-T4"), 1);
  // A full read afterwards has its first reply to itself.
  rig.engine.ActionButtonClick(kTagAskAll);
  SendAfterPause(rig);
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));
  EXPECT_EQ(rig.orders.OrderIndex, 1);
}

TEST(SplitReplies, AreGatheredUntilWholeWhereverTheyAreCut) {
  const std::string longValue(1500, 'h');  // over one read of 1024 bytes
  struct Case {
    std::string name, query, reply, reportName, value;
  } cases[] = {
      {"a long value", "AT+HTPHD?\r\n", "AT+HTPHD?\r\n" + Report("HTPHD", longValue), "HTPHD", longValue},
      {"echo then the report", "AT+WKMOD?\r\n", "AT+WKMOD?\r\n" + Report("WKMOD", "NET"), "WKMOD", "NET"},
      {"plus signs", "AT+STMSG?\r\n", Report("STMSG", "+++ZAV+T418+++"), "STMSG", "+++ZAV+T418+++"},
  };
  for (const auto& c : cases) {
    // Every cut, and reads of 1024 bytes.
    std::vector<std::vector<std::string>> splits;
    for (std::size_t cut = 1; cut < c.reply.size(); cut += c.reply.size() > 200 ? 97 : 1)
      splits.push_back({c.reply.substr(0, cut), c.reply.substr(cut)});
    std::vector<std::string> reads;
    for (std::size_t at = 0; at < c.reply.size(); at += 1024) reads.push_back(c.reply.substr(at, 1024));
    splits.push_back(reads);
    for (const auto& pieces : splits) {
      SCOPED_TRACE(c.name + " cut at " + std::to_string(pieces[0].size()));
      RunRig rig;
      rig.orders.AddOrder(c.query);
      rig.orders.AddOrder("AT+SN?\r\n");
      rig.engine.SendCurrentOrder();
      SendAfterPause(rig);
      for (const auto& piece : pieces) rig.engine.HandleReceived(piece);
      EXPECT_EQ(rig.values.Value(c.reportName), c.value);
      EXPECT_EQ(rig.orders.OrderIndex, 1);
      EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+SN?\r\n"});
      EXPECT_EQ(rig.log.ReceivedCount(), c.reply.size());
    }
  }
}

TEST(SplitReplies, AVersionReplyInTwoPiecesStillBringsTheFullRead) {
  RunRig rig;
  rig.engine.ActionButtonClick(kTagAskAll);
  SendAfterPause(rig);
  rig.engine.HandleReceived("AT+VER?\r\n\r\n+VER:V1");
  rig.engine.HandleReceived(".0.5\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.orders.OrderCount(), 70);
  std::vector<std::string> sent;
  PlayTerminal(rig, sent);
  EXPECT_EQ(sent.size(), 69u);
  EXPECT_EQ(rig.runView.ended, std::vector<bool>{true});
}

TEST(UnansweredQueries, EndAReadAsNotCompleted) {
  struct Case {
    std::string name;
    std::function<void(RunRig&)> answer;
    std::string warning;
  } cases[] = {
      {"the version query answered without its report",
       [](RunRig& rig) { rig.engine.HandleReceived("AT+VER?\r\n\r\nOK\r\n\r\n"); }, "<info_NoValue>VER"},
      {"the version query refused", [](RunRig& rig) { rig.engine.HandleReceived("\r\n+ERR:2\r\n\r\n"); }, ""},
      {"a query in the middle answered with another report",
       [](RunRig& rig) {
         rig.engine.HandleReceived(Report("VER", "V1.0.5"));
         for (int i = 0; i < 69; ++i) {
           const std::string name = QueryName(SendAfterPause(rig).at(0));
           rig.engine.HandleReceived(name == "SN" ? Report("CSQ", "24,99") : Report(name, "v"));
         }
       },
       "<info_NoValue>SN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunRig rig;
    rig.engine.ActionButtonClick(kTagAskAll);
    SendAfterPause(rig);
    c.answer(rig);
    rig.Advance(60000);
    EXPECT_EQ(rig.runView.ended, std::vector<bool>{false});
    EXPECT_EQ(rig.logView.Count(kDoOver), 0);
    if (!c.warning.empty()) {
      EXPECT_EQ(rig.logView.Count(c.warning), 1);
    }
  }
}

TEST(FindReport, TakesTheFirstReportWithACommandWordAndKeepsEveryByteOfItsValue) {
  struct Case {
    std::string reply;
    bool found;
    std::string name, value;
  } cases[] = {
      {"\r\n+STMSG:+++ZAV+T418+++\r\n\r\nOK\r\n\r\n", true, "STMSG", "+++ZAV+T418+++"},
      {"\r\n+STMSG:+++++\r\n\r\nOK\r\n\r\n", true, "STMSG", "+++++"},
      // A start-up message in front of the report (with a ":" of its own) starts none.
      {"\r\n+++T418:READY+++\r\n\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n", true, "VER", "V1.0.5"},
      // The echo of a setting with "+" and ":" in its value is no report.
      {"AT+HTPURL=http://x/+++\r\n\r\nOK\r\n\r\n", false, "", ""},
      {"+++\r\n+++\r\n", false, "", ""},
      {"\r\n+HTPHD:Connection: close[0D][0A]\r\n\r\nOK\r\n\r\n", true, "HTPHD", "Connection: close[0D][0A]"},
      {"\r\n+E:ON", false, "", ""},  // no end yet
      {"\r\n+:x\r\n\r\n", false, "", ""},
  };
  for (const auto& c : cases) {
    const auto report = FindReport(c.reply);
    ASSERT_EQ(report.has_value(), c.found) << c.reply;
    if (!report) continue;
    EXPECT_EQ(report->name, c.name);
    EXPECT_EQ(report->value, c.value);
  }
}

TEST(LinePause, IsZeroWithFastRepliesUnlessAFrontEndKeepsIt) {
  EngineRig rig;
  rig.engine.delayTime = 150;
  rig.engine.SetFastReplies(true);
  EXPECT_EQ(rig.engine.LinePause(), 0);
  // The first line goes out without waiting.
  rig.engine.ActionButtonClick(kTagVER);
  rig.Advance(0);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT+VER?\r\n"});
  EXPECT_EQ(rig.engine.delayTime, 150);  // the configured pause is kept for the profile
  rig.engine.keepPauseWithFastReplies = true;
  EXPECT_EQ(rig.engine.LinePause(), 150);
  rig.engine.keepPauseWithFastReplies = false;
  rig.engine.SetFastReplies(false);
  EXPECT_EQ(rig.engine.LinePause(), 150);
}

}  // namespace
}  // namespace t418
