#include "monitor/traffic_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "log_fakes.h"
#include "params/encodings.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::FixedLogClock;

struct Appended {
  LogPane pane;
  std::string entry;
  LogColour colour;
};

class RecordingView : public LogView {
 public:
  std::vector<Appended> appended;
  std::vector<LogPane> cleared;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> counters;

  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    appended.push_back({pane, entry, colour});
  }
  void ClearPane(LogPane pane) override { cleared.push_back(pane); }
  void CountersChanged(std::uint32_t received, std::uint32_t sent) override {
    counters.emplace_back(received, sent);
  }

  std::vector<Appended> In(LogPane pane) const {
    std::vector<Appended> result;
    for (const auto& a : appended)
      if (a.pane == pane) result.push_back(a);
    return result;
  }
};

class ThrowingView : public LogView {
 public:
  void AppendEntry(LogPane, const std::string&, LogColour) override {
    throw std::runtime_error("drawing failed");
  }
  void ClearPane(LogPane) override { throw std::runtime_error("clear failed"); }
  void CountersChanged(std::uint32_t, std::uint32_t) override {
    throw std::runtime_error("label failed");
  }
};

class TrafficLogTest : public ::testing::Test {
 protected:
  TrafficLogTest() { log.SetView(&view); }
  FixedLogClock clock;
  RecordingView view;
  TrafficLog log{clock};
};

// A text of n lines as the log counts them.
std::string LinesText(int n) { return std::string(static_cast<std::size_t>(n - 1), '\n'); }

enum class Writer { Reply, Received, Sent, Info, SystemWarning, TerminalWarning };

void Write(TrafficLog& log, Writer writer, std::string_view text) {
  switch (writer) {
    case Writer::Reply: log.LogReply(text); break;
    case Writer::Received: log.LogReceived(text); break;
    case Writer::Sent: log.LogSent(text); break;
    case Writer::Info: log.LogInfo(text); break;
    case Writer::SystemWarning: log.LogWarning(text, WarningOrigin::System); break;
    case Writer::TerminalWarning: log.LogWarning(text, WarningOrigin::Terminal); break;
  }
}

struct WriterCase {
  const char* name;
  Writer writer;
  bool timeStamps;
  bool rxHex;
  std::string expected;
  LogColour colour;
  std::uint32_t received;  // received counter after writing "OK\r\n"
};

TEST_F(TrafficLogTest, EachWriterFormatsColoursAndCounts) {
  const std::vector<WriterCase> cases = {
      {"reply", Writer::Reply, true, false, ">[Rx<-][14:03:27][asc]\r\nOK\r\n", LogColour::Reply, 4},
      {"reply hex", Writer::Reply, true, true, ">[Rx<-][14:03:27][Hex]\r\n4F 4B 0D 0A", LogColour::Reply, 4},
      {"reply bare", Writer::Reply, false, false, "OK\r\n", LogColour::Reply, 4},
      {"reply bare hex", Writer::Reply, false, true, "4F 4B 0D 0A", LogColour::Reply, 4},
      {"received", Writer::Received, true, false, ">[Rx<-][14:03:27][asc]\r\nOK\r\n",
       LogColour::WindowText, 4},
      {"received hex", Writer::Received, true, true, ">[Rx<-][14:03:27][Hex]\r\n4F 4B 0D 0A",
       LogColour::WindowText, 4},
      {"received bare", Writer::Received, false, false, "OK\r\n", LogColour::WindowText, 4},
      {"sent", Writer::Sent, true, false, ">[Tx->][14:03:27][asc]\r\nOK\r\n", LogColour::Sent, 0},
      {"sent hex", Writer::Sent, true, true, ">[Tx->][14:03:27][Hex]\r\n4F 4B 0D 0A", LogColour::Sent, 0},
      {"sent bare", Writer::Sent, false, false, "OK\r\n", LogColour::Sent, 0},
      {"info", Writer::Info, true, false, "OK\r\n", LogColour::WindowText, 0},
      {"info never hex", Writer::Info, true, true, "OK\r\n", LogColour::WindowText, 0},
      {"info bare", Writer::Info, false, false, "OK\r\n", LogColour::WindowText, 0},
      {"system warning", Writer::SystemWarning, true, false, ">[Warn][14:03:27]\r\nOK\r\n",
       LogColour::Warning, 0},
      {"system warning never hex", Writer::SystemWarning, true, true, ">[Warn][14:03:27]\r\nOK\r\n",
       LogColour::Warning, 0},
      {"system warning bare", Writer::SystemWarning, false, false, "OK\r\n", LogColour::Warning, 0},
      {"terminal warning", Writer::TerminalWarning, true, false, ">[Warn][14:03:27]\r\nOK\r\n",
       LogColour::Warning, 4},
      {"terminal warning never hex", Writer::TerminalWarning, true, true,
       ">[Warn][14:03:27]\r\nOK\r\n", LogColour::Warning, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FixedLogClock clock;
    RecordingView view;
    TrafficLog log(clock);
    log.SetView(&view);
    log.timeStamps = c.timeStamps;
    log.rxHex = c.rxHex;
    Write(log, c.writer, "OK\r\n");
    ASSERT_EQ(view.appended.size(), 1u);
    EXPECT_EQ(view.appended[0].pane, LogPane::Text);
    EXPECT_EQ(view.appended[0].entry, c.expected);
    EXPECT_EQ(view.appended[0].colour, c.colour);
    EXPECT_EQ(log.ReceivedCount(), c.received);
    EXPECT_EQ(log.SentCount(), 0u);
    if (c.received != 0) {
      ASSERT_FALSE(view.counters.empty());
      EXPECT_EQ(view.counters.back(), std::make_pair(c.received, 0u));
    }
  }
}

TEST_F(TrafficLogTest, SentQueryWithTimeStamps) {
  log.timeStamps = true;
  log.LogSent("AT+VER?\r\n");
  ASSERT_EQ(view.appended.size(), 1u);
  EXPECT_EQ(view.appended[0].entry, ">[Tx->][14:03:27][asc]\r\nAT+VER?\r\n");
  EXPECT_EQ(view.appended[0].colour, LogColour::Sent);
  // Prefix line, the query, and the empty line its own CR LF makes.
  EXPECT_EQ(log.LineCount(LogPane::Text), 3);

  log.rxHex = true;
  log.LogSent("AT+VER?\r\n");
  ASSERT_EQ(view.appended.size(), 2u);
  EXPECT_EQ(view.appended[1].entry, ">[Tx->][14:03:27][Hex]\r\n41 54 2B 56 45 52 3F 0D 0A");
  EXPECT_EQ(log.LineCount(LogPane::Text), 5);
  EXPECT_TRUE(view.In(LogPane::Hex).empty());  // no hex copy unless switched on
}

TEST_F(TrafficLogTest, TimeIsTwoDigitsEach) {
  log.timeStamps = true;
  clock.time = {9, 5, 0};
  log.LogReceived("x");
  clock.time = {23, 59, 59};
  log.LogWarning("y");
  ASSERT_EQ(view.appended.size(), 2u);
  EXPECT_EQ(view.appended[0].entry, ">[Rx<-][09:05:00][asc]\r\nx");
  EXPECT_EQ(view.appended[1].entry, ">[Warn][23:59:59]\r\ny");
}

TEST_F(TrafficLogTest, HexCopyMirrorsWholeEntryIncludingPrefix) {
  log.timeStamps = true;
  log.hexCopy = true;
  log.LogSent("AT\r\n");
  log.rxHex = true;
  log.LogReply("OK");
  log.LogWarning("bad");

  const auto text = view.In(LogPane::Text);
  const auto hex = view.In(LogPane::Hex);
  ASSERT_EQ(text.size(), 3u);
  ASSERT_EQ(hex.size(), 3u);
  EXPECT_EQ(hex[0].entry.rfind("3E 5B 54 78 2D 3E 5D 5B ", 0), 0u) << hex[0].entry;
  // ">[Tx->][14:03:27][asc]" CR LF "AT" CR LF, each byte followed by a blank.
  EXPECT_EQ(hex[0].entry,
            "3E 5B 54 78 2D 3E 5D 5B 31 34 3A 30 33 3A 32 37 5D 5B 61 73 63 5D 0D 0A "
            "41 54 0D 0A ");
  for (std::size_t i = 0; i < hex.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(hex[i].entry, TextToHex(text[i].entry, " "));
    EXPECT_EQ(hex[i].colour, text[i].colour);
  }
  // A hex copy holds no line breaks: one line per entry.
  EXPECT_EQ(log.LineCount(LogPane::Hex), 3);
  EXPECT_EQ(log.LineCount(LogPane::Text), 3 + 2 + 2);
}

TEST_F(TrafficLogTest, WarningCountsOnlyWhenItShowsTerminalBytes) {
  const std::string notOpen = Utf8ToGbk("串口未打开");
  ASSERT_EQ(notOpen.size(), 10u);
  log.LogWarning(notOpen);
  EXPECT_EQ(log.ReceivedCount(), 0u);
  log.LogWarning(notOpen, WarningOrigin::System);
  EXPECT_EQ(log.ReceivedCount(), 0u);
  log.LogWarning(notOpen, WarningOrigin::Terminal);
  EXPECT_EQ(log.ReceivedCount(), 10u);
  EXPECT_EQ(view.appended.size(), 3u);  // all three shown
  ASSERT_FALSE(view.counters.empty());
  EXPECT_EQ(view.counters.back(), std::make_pair(10u, 0u));
}

TEST_F(TrafficLogTest, CountersCountBytesBeforeHexAndOnlySendBytesCountsSent) {
  log.rxHex = true;
  log.timeStamps = true;
  log.LogReply("ABCDE");
  log.LogReceived(Utf8ToGbk("中文"));
  EXPECT_EQ(log.ReceivedCount(), 9u);
  log.LogSent("AT+HELP\r\n");
  log.LogInfo("info");
  EXPECT_EQ(log.SentCount(), 0u);
  EXPECT_EQ(log.ReceivedCount(), 9u);
  log.AddSentBytes(7);
  EXPECT_EQ(log.SentCount(), 7u);
  ASSERT_FALSE(view.counters.empty());
  EXPECT_EQ(view.counters.back(), std::make_pair(9u, 7u));
}

TEST_F(TrafficLogTest, AChineseCharacterSplitOverTwoChunksIsShownWholeWithTheSecond) {
  const std::string zhong = Utf8ToGbk("中");  // two bytes
  log.LogReceived("AB" + zhong.substr(0, 1));
  log.LogReply(zhong.substr(1) + "CD");
  ASSERT_EQ(view.In(LogPane::Text).size(), 2u);
  EXPECT_EQ(view.In(LogPane::Text)[0].entry, "AB");
  EXPECT_EQ(GbkToUtf8(view.In(LogPane::Text)[1].entry), "中CD");
  // The counter counts the bytes as they came.
  EXPECT_EQ(log.ReceivedCount(), 6u);

  // A chunk that is only a lead byte shows nothing until its trail byte comes.
  view.appended.clear();
  log.LogReceived(zhong.substr(0, 1));
  EXPECT_TRUE(view.appended.empty());
  log.LogReceived(zhong.substr(1));
  ASSERT_EQ(view.appended.size(), 1u);
  EXPECT_EQ(view.appended[0].entry, zhong);

  // In hex the bytes are shown as they come.
  view.appended.clear();
  log.rxHex = true;
  log.LogReceived("A" + zhong.substr(0, 1));
  ASSERT_EQ(view.appended.size(), 1u);
  EXPECT_EQ(view.appended[0].entry, "41 D6");
}

TEST_F(TrafficLogTest, ResetZeroesBothCountersAndTellsTheView) {
  log.LogReply("12345678");
  log.AddSentBytes(3);
  log.ResetCounters();
  EXPECT_EQ(log.ReceivedCount(), 0u);
  EXPECT_EQ(log.SentCount(), 0u);
  ASSERT_FALSE(view.counters.empty());
  EXPECT_EQ(view.counters.back(), std::make_pair(0u, 0u));
  log.LogReceived("abcde");
  EXPECT_EQ(view.counters.back(), std::make_pair(5u, 0u));
  // Reset leaves the log itself alone.
  EXPECT_TRUE(view.cleared.empty());
  EXPECT_EQ(view.appended.size(), 2u);
}

TEST_F(TrafficLogTest, CountersAreThirtyTwoBit) {
  log.AddSentBytes(0xFFFFFFFFu);
  log.AddSentBytes(2);
  EXPECT_EQ(log.SentCount(), 1u);
}

TEST_F(TrafficLogTest, LinesOfAnEntry) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 1},          {"AT", 1},           {"a\r\nb", 2},   {"a\rb", 2},
      {"a\nb", 2},      {"a\n\rb", 3},       {"a\r\r\nb", 3}, {"\r\n\r\n", 3},
      {"a\r\n", 2},     {"\n\n\n", 4},
  };
  for (const auto& [entry, lines] : cases) {
    SCOPED_TRACE(::testing::PrintToString(entry));
    FixedLogClock clock;
    RecordingView view;
    TrafficLog log(clock);
    log.SetView(&view);
    log.LogInfo(entry);
    EXPECT_EQ(log.LineCount(LogPane::Text), lines);
    log.LogInfo(entry);
    EXPECT_EQ(log.LineCount(LogPane::Text), 2 * lines);
  }
}

TEST_F(TrafficLogTest, LandingExactlyOnTheCapEmptiesThePane) {
  log.LogInfo(LinesText(TrafficLog::kLineCap - 1));
  EXPECT_EQ(log.LineCount(LogPane::Text), 65534);
  EXPECT_TRUE(view.cleared.empty());
  log.LogReceived("x");
  ASSERT_EQ(view.cleared.size(), 1u);
  EXPECT_EQ(view.cleared[0], LogPane::Text);
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
  log.LogReceived("y");
  EXPECT_EQ(log.LineCount(LogPane::Text), 1);
  EXPECT_EQ(view.cleared.size(), 1u);

  // Counting restarts from empty: the cap is reached again 65 535 lines later.
  log.LogInfo(LinesText(TrafficLog::kLineCap - 2));
  EXPECT_EQ(view.cleared.size(), 1u);
  log.LogInfo("z");
  EXPECT_EQ(view.cleared.size(), 2u);
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
}

TEST_F(TrafficLogTest, JumpingPastTheCapKeepsThatEntryAndTheNextOneEmptiesThePane) {
  log.LogInfo(LinesText(TrafficLog::kLineCap - 1));
  log.LogInfo("a\r\nb");
  EXPECT_TRUE(view.cleared.empty());
  EXPECT_EQ(log.LineCount(LogPane::Text), 65536);
  // A pane past the cap does not grow without end: the next entry empties it.
  log.LogInfo("c");
  ASSERT_EQ(view.cleared.size(), 1u);
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
}

TEST_F(TrafficLogTest, SingleEntryOfExactlyTheCapEmptiesThePane) {
  log.LogInfo(LinesText(TrafficLog::kLineCap));
  ASSERT_EQ(view.cleared.size(), 1u);
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
}

TEST_F(TrafficLogTest, EachPaneHasItsOwnCap) {
  // Two lines per text entry, one per hex copy: the text pane steps over
  // 65 535 (and is emptied one entry later) while the hex pane lands on it.
  log.hexCopy = true;
  for (int i = 0; i < TrafficLog::kLineCap; ++i) log.LogInfo("a\r\nb");
  ASSERT_EQ(view.cleared.size(), 2u);
  EXPECT_EQ(view.cleared[0], LogPane::Text);  // at entry 32 769, after the jump to 65 536
  EXPECT_EQ(view.cleared[1], LogPane::Hex);   // at entry 65 535
  EXPECT_EQ(log.LineCount(LogPane::Hex), 0);
  EXPECT_EQ(log.LineCount(LogPane::Text), 2 * (TrafficLog::kLineCap - 32769));
}

TEST_F(TrafficLogTest, UserClearingRestartsTheCount) {
  log.LogInfo(LinesText(TrafficLog::kLineCap - 1));
  log.PaneCleared(LogPane::Text);
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
  log.LogInfo("x");  // would have landed on the cap without the clearing
  EXPECT_TRUE(view.cleared.empty());
  EXPECT_EQ(log.LineCount(LogPane::Text), 1);
}

TEST(TrafficLogWithoutView, WritersShowNothingButStillCount) {
  FixedLogClock clock;
  TrafficLog log(clock);
  log.timeStamps = log.rxHex = log.hexCopy = true;
  log.LogReply("abc");
  log.LogReceived("de");
  log.LogSent("AT\r\n");
  log.LogInfo("info");
  log.LogWarning("err", WarningOrigin::Terminal);
  log.AddSentBytes(4);
  EXPECT_EQ(log.ReceivedCount(), 8u);
  EXPECT_EQ(log.SentCount(), 4u);
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
  EXPECT_EQ(log.LineCount(LogPane::Hex), 0);
}

TEST(TrafficLogWithFailingView, FailuresAreSwallowed) {
  FixedLogClock clock;
  ThrowingView view;
  TrafficLog log(clock);
  log.SetView(&view);
  log.timeStamps = log.hexCopy = true;
  EXPECT_NO_THROW({
    log.LogReply("abc");
    log.LogReceived(LinesText(TrafficLog::kLineCap));
    log.LogSent("AT\r\n");
    log.LogInfo("info");
    log.LogWarning("err", WarningOrigin::Terminal);
    log.AddSentBytes(4);
    log.ResetCounters();
    log.LogReply("xy");
  });
  EXPECT_EQ(log.ReceivedCount(), 2u);
  // Entries that never reached a pane are not counted as its lines.
  EXPECT_EQ(log.LineCount(LogPane::Text), 0);
}

TEST(SystemLogClock, GivesATimeOfDay) {
  const TimeOfDay t = SystemLogClock().Now();
  EXPECT_GE(t.hour, 0);
  EXPECT_LE(t.hour, 23);
  EXPECT_GE(t.minute, 0);
  EXPECT_LE(t.minute, 59);
  EXPECT_GE(t.second, 0);
  EXPECT_LE(t.second, 60);
}

}  // namespace
}  // namespace t418
