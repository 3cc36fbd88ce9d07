// The session engine on a real serial component against the terminal simulator.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "lang/lang_list.h"
#include "lang/text_catalogue.h"
#include "text/gbk.h"
#include "read_all_queries.h"
#include "loop/poll_loop.h"
#include "serial/comm.h"
#include "serial/serial_port.h"
#include "session_fakes.h"
#include "sim_process.h"

namespace t418 {
namespace {

using testing::SimProcess;
using namespace std::chrono_literals;

// The 70 lines of a read-all, as the simulator logs them.
std::vector<std::string> ReadAllLines() { return testing::ReadAllQueryLines(""); }

class EngineAgainstSimulator : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> options) {
    logFile_ = ::testing::TempDir() + SimProcess::UniqueName("sim_log_");
    std::remove(logFile_.c_str());
    options.insert(options.end(), {"--name", SimProcess::UniqueName("e2e"), "--log", logFile_});
    sim_ = std::make_unique<SimProcess>(options);
    RegisterDefaultTexts(lang_);
    lang_.UseChinese = true;
    log_.SetView(&view_);
    timer_.SetOnFire([this] { engine_.ReplyTimeout(); });
    port_.OnChunk = [this](const std::string& chunk) { engine_.HandleReceived(chunk); };
    engine_.delayTime = 20;
    ASSERT_TRUE(port_.OpenSerialPort({sim_->Port(), "115200", 0, 1, 0}));
    ASSERT_EQ(timer_.Interval(), 5000);
  }
  void TearDown() override {
    port_.CloseSerialPort();
    if (sim_) sim_->Stop();
    std::remove(logFile_.c_str());
  }

  int Completions() { return view_.Count(Utf8ToGbk("执行完毕")); }
  bool RunUntilComplete(std::chrono::milliseconds limit = 30s) {
    return loop_.RunUntil([this] { return Completions() > 0; }, limit);
  }
  std::vector<std::string> SimLog() { return testing::ReadLines(logFile_); }

  PollLoop loop_;
  LoopTimer timer_{loop_, 1000};
  TComm comm_{loop_};
  SerialPort port_{comm_, timer_};
  OrderList orders_;
  ValueList values_;
  HardwareSign hardware_;
  testing::FixedLogClock clock_;
  TrafficLog log_{clock_};
  testing::RecordingLogView view_;
  TLangList lang_{[] { return true; }};
  SessionEngine engine_{SessionParts{orders_, values_, hardware_, log_, lang_, port_, timer_, loop_}};
  std::unique_ptr<SimProcess> sim_;
  std::string logFile_;
};

TEST_F(EngineAgainstSimulator, ReadAllCompletesWithSeventyLinesInOrder) {
  Start({});
  engine_.ActionButtonClick(kTagAskAll);
  ASSERT_TRUE(RunUntilComplete());
  EXPECT_EQ(SimLog(), ReadAllLines());
  EXPECT_EQ(Completions(), 1);
  EXPECT_EQ(orders_.OrderCount(), 70);
  EXPECT_EQ(values_.Value("WKMOD"), "NET");
  EXPECT_EQ(values_.Value("E"), "ON");
  EXPECT_FALSE(values_.Value("UART").empty());
  EXPECT_FALSE(values_.Value("QHWVER").empty());
  EXPECT_EQ(hardware_.current, THdVerSign::Hd540);
  EXPECT_TRUE(view_.TextsOf(LogColour::Warning).empty());
}

TEST_F(EngineAgainstSimulator, DataModeIsLeftByTheTimeOutAndTheLineRepeated) {
  Start({"--start-in-data-mode"});
  timer_.SetInterval(800);  // a shorter guard keeps the test quick
  engine_.ActionButtonClick(kTagVER);
  ASSERT_TRUE(RunUntilComplete(15s));
  EXPECT_EQ(view_.TextsOf(LogColour::Sent),
            (std::vector<std::string>{"AT+VER?\r\n", "+++", "a", "AT+VER?\r\n"}));
  EXPECT_FALSE(values_.Value("VER").empty());
  // In data mode the first query was swallowed; the terminal saw the rest.
  EXPECT_EQ(SimLog(), (std::vector<std::string>{"+++", "a", "AT+VER?"}));
}

TEST_F(EngineAgainstSimulator, ASilentCommandEndsTheRunAfterOneRecovery) {
  Start({"--silent", "WKMOD"});
  timer_.SetInterval(800);
  engine_.ActionButtonClick(kTagAskAll);
  const std::string noReply = Utf8ToGbk("设备无应答，已停止执行") + ": AT+WKMOD?\r\n";
  ASSERT_TRUE(loop_.RunUntil([&] { return view_.Count(noReply) == 1; }, 20s));
  // Nothing more goes out afterwards.
  loop_.RunUntil([] { return false; }, 1500ms);
  EXPECT_FALSE(timer_.Active());
  EXPECT_EQ(SimLog(), (std::vector<std::string>{"AT+VER?", "AT+E?", "AT+WKMOD?", "+++", "a", "AT+WKMOD?"}));
  EXPECT_EQ(Completions(), 0);
}

TEST_F(EngineAgainstSimulator, ARefusedCommandIsSkipped) {
  Start({"--error", "STMSG"});
  engine_.ActionButtonClick(kTagAskAll);
  ASSERT_TRUE(RunUntilComplete());
  EXPECT_EQ(SimLog(), ReadAllLines());  // STMSG asked once, not again
  EXPECT_TRUE(values_.Value("STMSG").empty());
  ASSERT_EQ(view_.TextsOf(LogColour::Warning).size(), 1u);
  EXPECT_NE(view_.TextsOf(LogColour::Warning)[0].find("+ERR:"), std::string::npos);
  EXPECT_EQ(values_.Value("WKMOD"), "NET");
}

}  // namespace
}  // namespace t418
