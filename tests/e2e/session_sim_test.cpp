// The session object without a window, on the poll loop, against the simulator.
#include <gtest/gtest.h>

#include <memory>

#include "loop/poll_loop.h"
#include "session/session.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::SimProcess;
using namespace std::chrono_literals;

class RecordingListener : public SessionListener {
 public:
  std::vector<bool> portStates;
  int progressShown = 0;
  int progressHidden = 0;
  int runsEnded = 0;
  bool lastRunCompleted = false;
  std::vector<std::string> messages;
  void PortStateChanged(bool open) override { portStates.push_back(open); }
  void ShowProgress(int, int) override { ++progressShown; }
  void HideProgress() override { ++progressHidden; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void RunEnded(bool completed) override {
    ++runsEnded;
    lastRunCompleted = completed;
  }
};

class WarningsView : public LogView {
 public:
  std::vector<std::string> warnings;
  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    if (pane == LogPane::Text && colour == LogColour::Warning) warnings.push_back(GbkToUtf8(entry));
  }
  void ClearPane(LogPane) override {}
  void CountersChanged(std::uint32_t, std::uint32_t) override {}
};

class SessionAgainstSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    SessionOptions options;
    options.programFolder = folder_.path();
    options.systemIsChinese = [] { return true; };
    session_ = std::make_unique<Session>(loop_, options);
    session_->SetListener(&listener_);
    session_->Log().SetView(&view_);
    session_->Create();
    session_->ApplyTexts();
    session_->FinishCreate();
    session_->Engine().delayTime = 0;
  }
  void TearDown() override {
    session_->Close();
    session_->Log().SetView(nullptr);
  }
  bool RunUntilRunEnds(std::chrono::milliseconds limit = 30s) {
    return loop_.RunUntil([this] { return listener_.runsEnded > 0; }, limit);
  }

  testing::TempFolder folder_;
  PollLoop loop_;
  RecordingListener listener_;
  WarningsView view_;
  std::unique_ptr<Session> session_;
};

TEST_F(SessionAgainstSimulator, AFullReadFillsTheFormAndCountsEverySentByte) {
  SimProcess sim({"--name", SimProcess::UniqueName("session")});
  session_->portSettings.port = sim.Port();
  ASSERT_TRUE(session_->OpenPort());
  EXPECT_EQ(listener_.portStates, std::vector<bool>{true});
  session_->Engine().ActionButtonClick(kTagAskAll);
  ASSERT_TRUE(RunUntilRunEnds());
  EXPECT_TRUE(listener_.lastRunCompleted);
  EXPECT_EQ(session_->Orders().OrderCount(), 70);
  EXPECT_GT(listener_.progressShown, 60);
  EXPECT_EQ(listener_.progressHidden, 1);
  // The reports reached the form through the appliers.
  EXPECT_TRUE(session_->Form().rbNetTran.Checked());
  EXPECT_EQ(session_->Form().cbbBaud.Text(), "115200");
  EXPECT_TRUE(view_.warnings.empty());
  // Every byte handed to the port: 70 command lines.
  std::size_t sent = 0;
  for (int i = 0; i < 70; ++i) sent += session_->Orders().GetOrder(i).size();
  EXPECT_EQ(session_->Log().SentCount(), sent);
}

TEST_F(SessionAgainstSimulator, APortLostDuringARunEndsItAndClosesThePort) {
  auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--name", SimProcess::UniqueName("lost")});
  session_->portSettings.port = sim->Port();
  session_->Engine().delayTime = 150;
  ASSERT_TRUE(session_->OpenPort());
  session_->Engine().ActionButtonClick(kTagAskAll);
  ASSERT_TRUE(loop_.RunUntil([this] { return listener_.progressShown > 3; }, 10s));
  sim->Stop();
  ASSERT_TRUE(RunUntilRunEnds(10s));
  EXPECT_FALSE(listener_.lastRunCompleted);
  EXPECT_FALSE(session_->PortOpen());
  EXPECT_EQ(listener_.portStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(listener_.progressHidden, 1);
  EXPECT_EQ(session_->Engine().pendingAction, PendingAction::PaNone);
  ASSERT_EQ(view_.warnings.size(), 1u);
  EXPECT_NE(view_.warnings[0].find("串口已断开"), std::string::npos);
  // Nothing more happens: no time-out, no "+++" into a closed port.
  const auto sentBefore = session_->Log().SentCount();
  loop_.RunUntil([] { return false; }, 6s);
  EXPECT_EQ(session_->Log().SentCount(), sentBefore);
  EXPECT_EQ(view_.warnings.size(), 1u);
}

TEST_F(SessionAgainstSimulator, APortThatCannotBeOpenedSaysTheSystemsReason) {
  session_->portSettings.port = "/dev/t418-no-such-port";
  EXPECT_FALSE(session_->OpenPort());
  ASSERT_EQ(view_.warnings.size(), 1u);
  EXPECT_NE(view_.warnings[0].find("串口打开失败"), std::string::npos);
  EXPECT_NE(view_.warnings[0].find("(No such file or directory)"), std::string::npos) << view_.warnings[0];
  EXPECT_TRUE(listener_.portStates.empty());
}

}  // namespace
}  // namespace t418
