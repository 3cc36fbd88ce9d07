// The terminal vanishes (its simulator killed outright) in the middle of each
// flow of a session: the user is told once, the port is closed and can be
// opened again, the progress bar is gone and the loop sleeps. The same port
// path comes back when the simulator is started again behind the same link.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "replug_sim.h"
#include "session_rig.h"
#include "temp_folder.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::PluggedSimulator;
using testing::SessionRig;
using namespace std::chrono_literals;

// What the session told its front end, in order, from the moment it was bound.
class EventListener : public SessionListener {
 public:
  explicit EventListener(SessionListener& forward) : forward_(forward) {}

  enum class Event { PortOpened, PortClosed, ProgressShown, ProgressHidden };
  void PortStateChanged(bool open) override {
    events.push_back(open ? Event::PortOpened : Event::PortClosed);
    forward_.PortStateChanged(open);
  }
  void ShowProgress(int total, int done) override {
    events.push_back(Event::ProgressShown);
    forward_.ShowProgress(total, done);
  }
  void HideProgress() override {
    events.push_back(Event::ProgressHidden);
    forward_.HideProgress();
  }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    forward_.ShowMessage(text);
  }
  void RunEnded(bool completed) override { forward_.RunEnded(completed); }

  int CountSince(std::size_t from, Event event) const {
    int n = 0;
    for (std::size_t i = from; i < events.size(); ++i) n += events[i] == event;
    return n;
  }
  // Whether the progress bar is showing after the events so far.
  bool ProgressShowing() const {
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
      if (*it == Event::ProgressShown) return true;
      if (*it == Event::ProgressHidden) return false;
    }
    return false;
  }

  std::vector<Event> events;
  std::vector<std::string> messages;

 private:
  SessionListener& forward_;
};

struct FlowContext {
  SessionRig& rig;
  PluggedSimulator& sim;
  EventListener& listener;
  const std::filesystem::path& folder;
};

// One flow of the session, stopped by a lost port.
struct LostPortCase {
  std::string name;
  // The simulator's options while the flow runs.
  std::function<std::vector<std::string>(const std::filesystem::path& folder)> simOptions;
  // Starts the flow on the open port.
  std::function<void(FlowContext&)> start;
  // Holds once the flow is well under way (and not yet done).
  std::function<bool(FlowContext&)> underWay;
};

std::ostream& operator<<(std::ostream& out, const LostPortCase& c) { return out << c.name; }

std::vector<std::string> NoOptions(const std::filesystem::path&) { return {}; }

int ProgressShownCount(FlowContext& c) { return c.listener.CountSince(0, EventListener::Event::ProgressShown); }

bool SimulatorReceived(const std::filesystem::path& log, const std::string& line) {
  for (const auto& seen : testing::ReadLines(log.string()))
    if (seen == line) return true;
  return false;
}

const LostPortCase kSessionFlows[] = {
    {"FullRead", NoOptions,
     [](FlowContext& c) {
       c.rig.session->Engine().delayTime = 40;
       c.rig.session->Engine().ActionButtonClick(kTagAskAll);
     },
     [](FlowContext& c) { return ProgressShownCount(c) >= 5; }},
    {"FullWrite", NoOptions,
     [](FlowContext& c) {
       // The form filled from the terminal, as a user would before writing it back.
       ASSERT_TRUE(c.rig.RunAction(kTagAskAll));
       c.rig.session->Engine().delayTime = 40;
       c.rig.session->Engine().ActionButtonClick(kTagSetAll);
       ASSERT_GT(c.rig.session->Orders().OrderCount(), 10) << "the form's configuration was refused";
     },
     [](FlowContext& c) { return ProgressShownCount(c) >= 5; }},
    {"FirmwareTransfer", NoOptions,
     [](FlowContext& c) {
       // An image long enough to be in the middle of for a while.
       std::string image(1 << 20, '\0');
       for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
       const auto file = c.folder / "T418.bin";
       testing::WriteBytes(file, image);
       ASSERT_TRUE(c.rig.session->Upgrade().AskForFirmwareFile());
       ASSERT_TRUE(c.rig.session->Upgrade().OpenFirmwareFile(file));
       ::kill(c.sim.Pid(), SIGUSR1);  // restarted with its Reload key held: the boot loader
     },
     [](FlowContext& c) { return c.rig.session->Upgrade().BlocksSent() >= 20; }},
    {"TypedCommand",
     [](const std::filesystem::path& folder) {
       return std::vector<std::string>{"--latency", "5000", "--log", (folder / "typed.log").string()};
     },
     [](FlowContext& c) {
       SendAreaState area;
       area.text = "AT+VER?";
       area.autoCR = true;
       c.rig.session->Terminal().Send(area);
     },
     // The terminal has the line and takes its time to answer.
     [](FlowContext& c) { return SimulatorReceived(c.folder / "typed.log", "AT+VER?"); }},
    {"LargeRawData", NoOptions,
     [](FlowContext& c) {
       // Held still, the terminal takes nothing more once the line's buffer is
       // full: the send is in the middle for as long as the test likes.
       ::kill(c.sim.Pid(), SIGSTOP);
       SendAreaState area;
       area.text = std::string(4 << 20, 'U');
       c.rig.session->Terminal().Send(area);
       c.rig.RunFor(300ms);
     },
     [](FlowContext& c) { return !c.rig.session->Comm().SendDataEmpty(); }},
};

class LostPort : public ::testing::TestWithParam<LostPortCase> {
 protected:
  void SetUp() override { rig_.session->SetListener(&listener_); }
  void TearDown() override { rig_.session->SetListener(&rig_.listener); }

  // Warnings and messages that speak of the lost port, from the log entry `from` on.
  std::vector<std::string> LostPortTexts(std::size_t fromEntry, std::size_t fromMessage) const {
    const std::string lost = Utf8ToGbk("串口已断开");
    std::vector<std::string> texts;
    for (std::size_t i = fromEntry; i < rig_.logView.entries.size(); ++i) {
      const auto& entry = rig_.logView.entries[i];
      if (entry.pane == LogPane::Text && entry.colour == LogColour::Warning) texts.push_back(GbkToUtf8(entry.text));
    }
    for (std::size_t i = fromMessage; i < listener_.messages.size(); ++i)
      if (listener_.messages[i].find(lost) != std::string::npos) texts.push_back(GbkToUtf8(listener_.messages[i]));
    return texts;
  }

  testing::TempFolder folder_;
  SessionRig rig_;
  EventListener listener_{rig_.listener};
};

TEST_P(LostPort, IsWarnedOnceClosesThePortSleepsAndTheSamePathOpensAgain) {
  const LostPortCase& flow = GetParam();
  PluggedSimulator sim(flow.simOptions(folder_.path()), "unplug");
  Session& session = *rig_.session;
  session.portSettings.port = sim.Path();
  ASSERT_TRUE(session.OpenPort());
  FlowContext context{rig_, sim, listener_, folder_.path()};
  ASSERT_NO_FATAL_FAILURE(flow.start(context));
  ASSERT_TRUE(rig_.loop.RunUntil([&] { return flow.underWay(context); }, 30s)) << "the flow never got going";

  const std::size_t eventsBefore = listener_.events.size();
  const std::size_t entriesBefore = rig_.logView.entries.size();
  const std::size_t messagesBefore = listener_.messages.size();
  sim.Pull();
  ASSERT_TRUE(rig_.loop.RunUntil([&] { return !session.PortOpen(); }, 10s)) << "the lost port stayed open";
  rig_.RunFor(300ms);  // whatever else the loss brings

  const std::vector<std::string> warned = LostPortTexts(entriesBefore, messagesBefore);
  ASSERT_EQ(warned.size(), 1u) << ::testing::PrintToString(warned);
  EXPECT_NE(warned[0].find("串口已断开"), std::string::npos) << warned[0];
  EXPECT_EQ(listener_.CountSince(eventsBefore, EventListener::Event::PortClosed), 1);
  EXPECT_EQ(listener_.CountSince(eventsBefore, EventListener::Event::PortOpened), 0);
  EXPECT_FALSE(session.Serial().PortOpen());
  EXPECT_EQ(session.Comm().ComHandle(), 0u);
  EXPECT_FALSE(listener_.ProgressShowing());
  EXPECT_EQ(session.Upgrade().XModemState(), 0);
  EXPECT_EQ(session.Engine().pendingAction, PendingAction::PaNone);

  // Idle: the loop sleeps, and nothing goes out or is said any more.
  const auto sentBefore = session.Log().SentCount();
  const std::size_t entriesIdle = rig_.logView.entries.size();
  const double cpuBefore = testing::ProcessCpuMs();
  const auto wallBefore = std::chrono::steady_clock::now();
  rig_.RunFor(1s);
  const double cpuMs = testing::ProcessCpuMs() - cpuBefore;
  const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore).count();
  EXPECT_LT(cpuMs, wallMs * 0.05) << cpuMs << " ms of CPU in " << wallMs << " ms idle";
  EXPECT_EQ(session.Log().SentCount(), sentBefore);
  EXPECT_EQ(rig_.logView.entries.size(), entriesIdle);

  // The adapter is plugged in again: the same path opens and a read works.
  sim.PlugIn({});
  ASSERT_TRUE(session.OpenPort()) << session.OpenFailureText();
  EXPECT_EQ(listener_.events.back(), EventListener::Event::PortOpened);
  session.Engine().delayTime = 0;
  EXPECT_TRUE(rig_.RunAction(kTagAskAll));
  EXPECT_EQ(session.Values().Value("WKMOD"), "NET");
  EXPECT_FALSE(listener_.ProgressShowing());
}

INSTANTIATE_TEST_SUITE_P(EveryFlow, LostPort, ::testing::ValuesIn(kSessionFlows),
                         [](const ::testing::TestParamInfo<LostPortCase>& info) { return info.param.name; });

}  // namespace
}  // namespace t418
