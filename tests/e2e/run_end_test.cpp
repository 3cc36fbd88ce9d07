// Runs against the simulator end cleanly: closing the port stops a full read
// or write and nothing of it is sent after reopening; a second click during a read is
// refused and the read completes; replies cut in pieces (a split reply, a value
// longer than one read) are read whole; a port that is gone says so; fast
// replies drop the pause before each line unless a front end keeps one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "read_all_queries.h"
#include "session_rig.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::SessionRig;
using testing::SimProcess;
using namespace std::chrono_literals;

// The rig's listener, also recording the run state and the progress bar.
class RunStateListener : public testing::RecordingListener {
 public:
  void RunStateChanged(bool running) override { states.push_back(running); }
  void ShowProgress(int, int) override { progressShowing = true; }
  void HideProgress() override { progressShowing = false; }
  std::vector<bool> states;
  bool progressShowing = false;
};

class RunEnd : public ::testing::Test {
 protected:
  void SetUp() override { rig_.session->SetListener(&listener_); }
  void TearDown() override { rig_.session->SetListener(&rig_.listener); }

  // A simulator with its command log in the test's folder.
  std::unique_ptr<SimProcess> StartSim(std::vector<std::string> options = {}) {
    simLog_ = (folder_.path() / "sim.log").string();
    options.insert(options.end(), {"--name", SimProcess::UniqueName("runend"), "--log", simLog_});
    return std::make_unique<SimProcess>(options);
  }
  std::vector<std::string> SimReceived() const { return testing::ReadLines(simLog_); }

  bool Open(const SimProcess& sim) {
    rig_.session->portSettings.port = sim.Port();
    return rig_.session->OpenPort();
  }
  // Clicks and runs the loop until the run has gone `lines` lines.
  void StartReadAndWaitFor(int lines) {
    rig_.session->Engine().delayTime = 40;
    ASSERT_TRUE(rig_.session->Engine().ActionButtonClick(kTagAskAll));
    ASSERT_TRUE(rig_.loop.RunUntil([&] { return rig_.session->Orders().OrderIndex >= lines; }, 20s));
  }
  // Sends a typed command line and waits for its reply to be taken.
  void Type(const std::string& line) {
    SendAreaState area;
    area.text = line;
    area.autoCR = true;
    ASSERT_TRUE(rig_.session->Terminal().Send(area));
    ASSERT_TRUE(rig_.loop.RunUntil([&] { return rig_.session->Engine().AwaitedSingleReplies() == 0; }, 10s));
  }
  std::size_t WarningsHolding(const std::string& utf8) const {
    std::size_t n = 0;
    for (const auto& warning : rig_.Warnings()) n += GbkToUtf8(warning).find(utf8) != std::string::npos;
    return n;
  }
  std::size_t InfosHolding(const std::string& utf8) const {
    std::size_t n = 0;
    for (const auto& info : rig_.Infos()) n += GbkToUtf8(info).find(utf8) != std::string::npos;
    return n;
  }

  testing::TempFolder folder_;
  SessionRig rig_;
  RunStateListener listener_;
  std::string simLog_;
};

// The run the user stops by closing the port: a full read, or a write of the
// form as a read filled it ("Set current parameters").
enum class ClosedRun { Read, Write };

class RunEndOnClose : public RunEnd, public ::testing::WithParamInterface<ClosedRun> {};

// The lines of a run as they go out, without their line ends.
std::vector<std::string> LinesWithoutEnds(const std::vector<std::string>& lines) {
  std::vector<std::string> bare;
  for (std::string line : lines) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    bare.push_back(line);
  }
  return bare;
}

TEST_P(RunEndOnClose, ClosingThePortStopsARunAndAfterReopeningOnlyWhatIsClickedGoesOut) {
  const auto sim = StartSim();
  Session& session = *rig_.session;
  ASSERT_TRUE(Open(*sim));
  if (GetParam() == ClosedRun::Write) {
    // The form filled from the terminal, as a user would before writing it back.
    ASSERT_TRUE(session.Engine().ActionButtonClick(kTagAskAll));
    ASSERT_TRUE(rig_.loop.RunUntil([&] { return !listener_.runs.empty(); }, 30s));
    ASSERT_EQ(listener_.runs, std::vector<bool>{true});
    listener_.states.clear();
    listener_.runs.clear();
  }
  const std::size_t linesBeforeRun = SimReceived().size();
  const std::size_t warningsBefore = rig_.Warnings().size();
  session.Engine().delayTime = 40;
  ASSERT_TRUE(session.Engine().ActionButtonClick(GetParam() == ClosedRun::Write ? kTagSetAll : kTagAskAll));
  ASSERT_TRUE(rig_.loop.RunUntil([&] { return session.Orders().OrderIndex >= 5; }, 20s));
  ASSERT_TRUE(session.RunInProgress());
  const std::vector<std::string> runLines = LinesWithoutEnds(session.Orders().Lines());
  ASSERT_GT(runLines.size(), 10u) << "the run would have ended by itself";
  if (GetParam() == ClosedRun::Write) {
    ASSERT_EQ(session.Engine().pendingAction, PendingAction::PaWriteAll);
    ASSERT_NE(runLines[5].find('='), std::string::npos) << runLines[5] << " is no setting";
  }
  const std::size_t doneAtClose = static_cast<std::size_t>(session.Orders().OrderIndex);

  session.ClosePort();
  EXPECT_FALSE(session.RunInProgress());
  EXPECT_EQ(listener_.states, (std::vector<bool>{true, false}));
  EXPECT_EQ(listener_.runs, std::vector<bool>{false});
  EXPECT_FALSE(listener_.progressShowing);
  EXPECT_EQ(session.Engine().pendingAction, PendingAction::PaNone);
  EXPECT_EQ(InfosHolding("已停止执行，已完成的命令条数: "), 1u);
  // Past the reply time-out: no "not open" warnings, no "+++", no "no answer".
  const auto sentBefore = session.Log().SentCount();
  rig_.RunFor(6s);
  EXPECT_EQ(rig_.Warnings().size(), warningsBefore) << GbkToUtf8(rig_.Warnings().back());
  EXPECT_EQ(session.Log().SentCount(), sentBefore);
  // The terminal got the run's first lines, at most the one in flight past those done, and nothing after.
  const auto receivedAfterClose = SimReceived();
  const std::vector<std::string> runReceived(receivedAfterClose.begin() + static_cast<long>(linesBeforeRun),
                                             receivedAfterClose.end());
  EXPECT_LE(runReceived.size(), doneAtClose + 1);
  EXPECT_EQ(runReceived, std::vector<std::string>(runLines.begin(), runLines.begin() + static_cast<long>(std::min(
                                                                                           runReceived.size(), runLines.size()))));

  // Reopened, "Reset to factory settings" twice: each time AT+CLEAR alone goes
  // out, and the terminal accepts it.
  const std::size_t linesBefore = receivedAfterClose.size();
  ASSERT_TRUE(Open(*sim));
  for (int click = 0; click < 2; ++click) {
    ASSERT_TRUE(session.Engine().ActionButtonClick(kTagCLEAR));
    ASSERT_TRUE(rig_.loop.RunUntil([&] { return session.Engine().AwaitedSingleReplies() == 0; }, 10s));
    rig_.RunFor(300ms);  // whatever would follow the reply
  }
  const auto received = SimReceived();
  EXPECT_EQ(std::vector<std::string>(received.begin() + static_cast<long>(linesBefore), received.end()),
            (std::vector<std::string>{"AT+CLEAR", "AT+CLEAR"}));
  EXPECT_EQ(rig_.Warnings().size(), warningsBefore) << GbkToUtf8(rig_.Warnings().back());
  EXPECT_EQ(listener_.states.size(), 2u);  // single commands are no runs
}

INSTANTIATE_TEST_SUITE_P(ReadAndWrite, RunEndOnClose, ::testing::Values(ClosedRun::Read, ClosedRun::Write),
                         [](const ::testing::TestParamInfo<ClosedRun>& info) {
                           return std::string(info.param == ClosedRun::Write ? "Write" : "Read");
                         });

TEST_F(RunEnd, SetCurrentParametersDuringAQueryIsRefusedAndTheQueryCompletes) {
  const auto sim = StartSim();
  Session& session = *rig_.session;
  ASSERT_TRUE(Open(*sim));
  ASSERT_NO_FATAL_FAILURE(StartReadAndWaitFor(5));

  EXPECT_FALSE(session.Engine().ActionButtonClick(kTagSetAll));
  SendAreaState typed;
  typed.text = "AT+CSQ\r\n";
  EXPECT_FALSE(session.Terminal().Send(typed));
  EXPECT_EQ(WarningsHolding("正在执行，请等待执行完毕或先停止"), 2u);

  ASSERT_TRUE(rig_.loop.RunUntil([&] { return !listener_.runs.empty(); }, 30s));
  EXPECT_EQ(listener_.runs, std::vector<bool>{true});
  EXPECT_EQ(listener_.states, (std::vector<bool>{true, false}));
  // The terminal heard the read and nothing else: no setting, no typed line.
  EXPECT_EQ(SimReceived(), testing::ReadAllQueryLines(""));
  EXPECT_EQ(session.Values().Value("WKMOD"), "NET");
  EXPECT_FALSE(session.Values().Value("QHWVER").empty());
}

TEST_F(RunEnd, RepliesInPiecesAreReadWhole) {
  // The version and the long header come in two writes 300 ms apart; the
  // header's reply is longer than one read of 1024 bytes anyway.
  const auto sim = StartSim({"--split", "VER", "--split", "HTPHD"});
  Session& session = *rig_.session;
  ASSERT_TRUE(Open(*sim));
  std::string header = "X-Long: ";
  while (header.size() < 1500) header += "0123456789abcdef";
  ASSERT_NO_FATAL_FAILURE(Type("AT+HTPHD=" + header));
  ASSERT_NO_FATAL_FAILURE(Type("AT+STMSG=+++ZAV+T418+++"));
  ASSERT_TRUE(rig_.Warnings().empty()) << GbkToUtf8(rig_.Warnings().front());

  ASSERT_TRUE(session.Engine().ActionButtonClick(kTagAskAll));
  ASSERT_TRUE(rig_.loop.RunUntil([&] { return !listener_.runs.empty(); }, 30s));
  EXPECT_EQ(listener_.runs, std::vector<bool>{true});
  EXPECT_FALSE(session.Values().Value("VER").empty());
  EXPECT_EQ(session.Values().Value("HTPHD"), header);
  EXPECT_EQ(session.Values().Value("STMSG"), "+++ZAV+T418+++");
  EXPECT_FALSE(session.Values().Value("QHWVER").empty());
  EXPECT_EQ(session.Form().lbledtStMsg.Text(), "+++ZAV+T418+++");
  EXPECT_TRUE(rig_.Warnings().empty()) << GbkToUtf8(rig_.Warnings().front());
}

TEST_F(RunEnd, APortThatIsGoneSaysSoInBothLanguages) {
  Session& session = *rig_.session;
  session.portSettings.port = "/dev/t418-gone-" + SimProcess::UniqueName("port");
  EXPECT_FALSE(session.OpenPort());
  ASSERT_EQ(rig_.Warnings().size(), 1u);
  const std::string chinese = GbkToUtf8(rig_.Warnings()[0]);
  EXPECT_NE(chinese.find("该串口已不存在"), std::string::npos) << chinese;
  EXPECT_EQ(chinese.find("其他软件"), std::string::npos) << chinese;
  session.Lang().UseChinese = false;
  const std::string english = session.OpenFailureText();
  EXPECT_NE(english.find("the port no longer exists"), std::string::npos) << english;
  EXPECT_EQ(english.find("close other software"), std::string::npos) << english;
}

TEST_F(RunEnd, FastRepliesDropThePauseUnlessAFrontEndKeepsIt) {
  Session& session = *rig_.session;
  session.Engine().delayTime = 150;  // as the profile gives it
  session.SetReplyFraming(true);
  EXPECT_EQ(session.Engine().LinePause(), 0);
  EXPECT_EQ(session.Engine().delayTime, 150);  // what the profile saves
  session.SetReplyFraming(false);
  EXPECT_EQ(session.Engine().LinePause(), 150);
  // A pause the front end asked for stays.
  session.SetLinePause(60);
  session.SetReplyFraming(true);
  EXPECT_EQ(session.Engine().LinePause(), 60);
}

}  // namespace
}  // namespace t418
