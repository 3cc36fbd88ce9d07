#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "read_all_queries.h"
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

TEST(ParseReply, StoresNothingForEchoesDoneRepliesAndTooManyPlusSigns) {
  const std::string sixPlus = "\r\n+STMSG:+++++\r\n\r\nOK\r\n\r\n";  // six "+" in all
  for (const std::string& chunk : {std::string("\r\nOK\r\n\r\n"), sixPlus, std::string("AT+VER?\r\n")}) {
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

TEST(Replies, AnExactEchoKeepsTheReplyTimerRunning) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagVER);
  SendAfterPause(rig);
  ASSERT_TRUE(rig.timer.Active());
  rig.engine.HandleReceived("AT+VER?\r\n");
  EXPECT_TRUE(rig.timer.Active());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText), std::vector<std::string>{"AT+VER?\r\n"});
  rig.engine.HandleReceived("garbage");
  EXPECT_FALSE(rig.timer.Active());
  // Stalled: silence sends nothing more.
  rig.Advance(20000);
  EXPECT_TRUE(rig.TakeWritten().empty());
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
  EXPECT_EQ(rig.view.hidden, 0);
}

TEST(Replies, SixPlusSignsStoreNothingButMoveTheRunOn) {
  EngineRig rig;
  StartRun(rig, {"AT+STMSG?\r\n", "AT+SN?\r\n"});
  rig.engine.HandleReceived("\r\n+STMSG:+++++\r\n\r\nOK\r\n\r\n");
  EXPECT_TRUE(rig.values.Entries().empty());
  EXPECT_EQ(SendAfterPause(rig), std::vector<std::string>{"AT+SN?\r\n"});
}

TEST(Replies, AReplySplitInTwoChunksIsJudgedPieceByPiece) {
  EngineRig rig;
  StartRun(rig, {"AT+WKMOD?\r\n", "AT+SN?\r\n"});
  rig.engine.HandleReceived("\r\n+WKMOD:NE");
  EXPECT_FALSE(rig.timer.Active());  // unrecognised: the run waits without a time-out
  EXPECT_EQ(rig.orders.OrderIndex, 0);
  rig.engine.HandleReceived("T\r\n\r\nOK\r\n\r\n");  // the done marker moves it on
  EXPECT_EQ(rig.orders.OrderIndex, 1);
  EXPECT_TRUE(rig.values.Entries().empty());  // no piece held the whole report
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

TEST(ClosedPort, WarnsAtOnceAndAgainWhenTheReplyTimerFires) {
  EngineRig rig;
  rig.line.open = false;
  rig.engine.ActionButtonClick(kTagAskAll);
  rig.Advance(150);
  EXPECT_EQ(rig.logView.Count(kNoPort), 1);
  EXPECT_TRUE(rig.timer.Active());
  rig.Advance(5000);
  EXPECT_EQ(rig.logView.Count(kNoPort), 2);
  EXPECT_TRUE(rig.line.written.empty());
  EXPECT_EQ(rig.orders.Lines(), (std::vector<std::string>{"+++", "a", "AT+VER?\r\n"}));
  // The system's own warnings are no received bytes.
  EXPECT_EQ(rig.log.ReceivedCount(), 0u);
}

TEST(CommandMode, EchoedAnswerEndsTheRunEarlyAndConfirmationRepeatsTheMessage) {
  EngineRig rig;
  rig.engine.ActionButtonClick(kTagPPPA);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"+++"});  // no pause for mode switches
  rig.engine.HandleReceived("a");
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"a"});
  rig.engine.HandleReceived("a");  // the terminal's echo of "a"
  EXPECT_EQ(rig.logView.Count(kDoOver), 1);
  rig.engine.HandleReceived("+ok\r\n");
  EXPECT_EQ(rig.logView.Count(kDoOver), 2);
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

TEST(ActionButtons, ASingleCommandsReplyAdvancesARunWithLinesLeft) {
  EngineRig rig;
  StartRun(rig, {"AT+E?\r\n", "AT+SN?\r\n"});
  rig.engine.ActionButtonClick(kTagCSQ);
  rig.TakeWritten();
  rig.engine.HandleReceived(Report("CSQ", "25,99"));
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
  // A version report while the write is pending builds the list again.
  rig.engine.HandleReceived(Report("VER", "V1.0.5"));
  EXPECT_EQ(builder.builds, 2);
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

}  // namespace
}  // namespace t418
