#pragma once
// A whole session object on a poll loop, started as the window starts it (the
// language file and region catalogue in a folder of its own), with a log view
// and a listener that record what a front end would show, and simulators
// started from the fixture configurations.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "log_fakes.h"
#include "loop/poll_loop.h"
#include "session/session.h"
#include "sim/state_file.h"
#include "sim_process.h"
#include "temp_folder.h"

namespace t418::testing {

inline std::string FixtureConfig(const std::string& file) {
  return std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs/" + file;
}

// What the session told its front end.
class RecordingListener : public SessionListener {
 public:
  void PortStateChanged(bool open) override { portOpen = open; }
  void ShowProgress(int, int) override {}
  void HideProgress() override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void RunEnded(bool completed) override { runs.push_back(completed); }

  bool portOpen = false;
  std::vector<std::string> messages;
  std::vector<bool> runs;
};

// A simulator with its own command log and state file in the rig's folder.
struct Simulator {
  std::string logFile;
  std::string stateFile;
  std::unique_ptr<SimProcess> process;

  const std::string& Port() const { return process->Port(); }
  // The lines it received, "+++" and "a" included, without their line ends.
  std::vector<std::string> Received() const { return ReadLines(logFile); }
  sim::testing::SimState State() const { return sim::testing::ReadSimState(stateFile); }
};

// The recording log view, with a hook that sees each entry as it is logged.
class HookedLogView : public RecordingLogView {
 public:
  std::function<void(const LoggedEntry&)> onEntry;
  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    RecordingLogView::AppendEntry(pane, entry, colour);
    if (onEntry) onEntry(entries.back());
  }
};

class SessionRig {
  // First in, last out: the session's log and loop outlive it.
  TempFolder folder_;
  FixedLogClock clock_;

 public:
  // prepare puts files into the program's folder before the session starts
  // (a language file, for instance).
  explicit SessionRig(const std::function<void(const std::filesystem::path&)>& prepare = {}) {
    std::filesystem::copy_file(std::filesystem::path(T418_SOURCE_DIR) / "resources" / "province&city.json",
                               folder_.path() / "province&city.json");
    if (prepare) prepare(folder_.path());
    SessionOptions options;
    options.programFolder = folder_.path();
    // The form starts in the layout's own state, not in a profile's defaults.
    options.useProfile = false;
    options.logClock = &clock_;
    options.systemIsChinese = [] { return true; };
    session = std::make_unique<Session>(loop, std::move(options));
    session->SetListener(&listener);
    session->Log().SetView(&logView);
    session->Create();
    session->ApplyTexts();
    session->FinishCreate();
    session->Engine().delayTime = 0;
  }
  ~SessionRig() {
    session->Log().SetView(nullptr);
    session->SetListener(nullptr);
  }

  // A simulator loaded with a fixture (none: factory settings), its state kept
  // in a file of the rig's folder.
  Simulator StartSimulator(const std::string& fixture = {}) {
    const std::string stem = SimProcess::UniqueName("sim_");
    Simulator sim;
    sim.logFile = (folder_.path() / (stem + ".log")).string();
    sim.stateFile = (folder_.path() / (stem + ".state")).string();
    std::vector<std::string> options = {"--name", stem, "--log", sim.logFile, "--state", sim.stateFile};
    if (!fixture.empty()) options.insert(options.end(), {"--config", FixtureConfig(fixture)});
    sim.process = std::make_unique<SimProcess>(options);
    return sim;
  }

  // Closes the port if open and opens the simulator's.
  bool ConnectTo(const Simulator& sim) {
    if (session->PortOpen()) session->ClosePort();
    session->portSettings.port = sim.Port();
    return session->OpenPort();
  }

  // Clicks an action button and runs the loop until the run ends.
  bool RunAction(int tag, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const std::size_t before = listener.runs.size();
    session->Engine().ActionButtonClick(tag);
    return loop.RunUntil([&] { return listener.runs.size() > before; }, limit) && listener.runs.back();
  }
  // Lets the loop run for a while (to see that nothing happens).
  void RunFor(std::chrono::milliseconds span) {
    loop.RunUntil([] { return false; }, span);
  }

  std::vector<std::string> Warnings() const { return logView.TextsOf(LogColour::Warning); }
  // Information lines (and data received outside a reply).
  std::vector<std::string> Infos() const { return logView.TextsOf(LogColour::WindowText); }
  // The command lines sent, in order.
  std::vector<std::string> Sent() const { return logView.TextsOf(LogColour::Sent); }

  PollLoop loop;
  RecordingListener listener;
  HookedLogView logView;
  std::unique_ptr<Session> session;
};

}  // namespace t418::testing
