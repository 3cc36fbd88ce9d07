// t418ctl when the terminal vanishes (its simulator killed outright) in the
// middle of each command: exit 8 with one line that names the port, nothing
// left running, and the same command works once the terminal is back on the
// same port path.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "replug_sim.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418 {
namespace {

using testing::ChildProcess;
using testing::ChildResult;
using testing::PluggedSimulator;
using namespace std::chrono_literals;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The files a case works with, in a folder of the test's own.
struct CtlFiles {
  std::string folder;
  std::string Path(const std::string& name) const { return folder + "/" + name; }
  std::string SimLog() const { return Path("sim.log"); }
  std::string CtlLog() const { return Path("ctl.log"); }
  std::string Config() const { return Path("line.ini"); }
  std::string Output() const { return Path("read.ini"); }
  std::string BigImage() const { return Path("big.bin"); }
  std::string SmallImage() const { return Path("small.bin"); }
};

// The simulator's received lines: how far a command has got.
int SettingsReceived(const CtlFiles& files) {
  int n = 0;
  for (const auto& line : testing::ReadLines(files.SimLog())) n += line.find('=') != std::string::npos;
  return n;
}
// Queries after the last setting: a read-back under way.
int QueriesAfterSettings(const CtlFiles& files) {
  int n = 0;
  for (const auto& line : testing::ReadLines(files.SimLog())) {
    if (line.find('=') != std::string::npos) n = 0;
    n += !line.empty() && line.back() == '?';
  }
  return n;
}
int QueriesReceived(const CtlFiles& files) {
  int n = 0;
  for (const auto& line : testing::ReadLines(files.SimLog())) n += !line.empty() && line.back() == '?';
  return n;
}

std::string NetSocketsFixture() { return std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs/net_sockets.state"; }

struct CtlCase {
  std::string name;
  // The simulator's options while the command runs (the log is always added).
  std::vector<std::string> simOptions;
  // The command's arguments after the program; the port comes first.
  std::function<std::vector<std::string>(const std::string& port, const CtlFiles&)> args;
  // Holds once the command is well under way.
  std::function<bool(const CtlFiles&)> underWay;
  // The simulator's options once it is back (none: a plain terminal) and the
  // arguments of the call then (unset: the same).
  std::vector<std::string> againSimOptions;
  std::function<std::vector<std::string>(const std::string& port, const CtlFiles&)> againArgs;
};

std::ostream& operator<<(std::ostream& out, const CtlCase& c) { return out << c.name; }

const CtlCase kCommands[] = {
    {"Send",
     {"--latency", "5000"},
     [](const std::string& port, const CtlFiles&) { return std::vector<std::string>{"send", port, "AT+VER?"}; },
     [](const CtlFiles& files) { return QueriesReceived(files) >= 1; },
     {},
     {}},
    {"Read",
     {},
     [](const std::string& port, const CtlFiles&) {
       return std::vector<std::string>{"read", port, "--delay", "40"};
     },
     [](const CtlFiles& files) { return QueriesReceived(files) >= 5; },
     {},
     {}},
    {"ReadToFile",
     {},
     [](const std::string& port, const CtlFiles& files) {
       return std::vector<std::string>{"read", port, "-o", files.Output(), "--delay", "40"};
     },
     [](const CtlFiles& files) { return QueriesReceived(files) >= 5; },
     {},
     {}},
    {"Write",
     {},
     [](const std::string& port, const CtlFiles& files) {
       return std::vector<std::string>{"write", port, files.Config(), "--delay", "40"};
     },
     [](const CtlFiles& files) { return SettingsReceived(files) >= 5; },
     {},
     {}},
    {"WriteVerify",
     {},
     [](const std::string& port, const CtlFiles& files) {
       return std::vector<std::string>{"write", port, files.Config(), "--verify", "--delay", "40"};
     },
     // Lost in the read-back, after the settings went out.
     [](const CtlFiles& files) { return SettingsReceived(files) >= 10 && QueriesAfterSettings(files) >= 5; },
     {},
     {}},
    {"Diff",
     {},
     [](const std::string& port, const CtlFiles& files) {
       return std::vector<std::string>{"diff", port, files.Config(), "--delay", "40"};
     },
     [](const CtlFiles& files) { return QueriesReceived(files) >= 5; },
     // Back with the settings the file was read from: no difference.
     {"--config", NetSocketsFixture()},
     {}},
    {"Upgrade",
     {"--bootloader"},
     [](const std::string& port, const CtlFiles& files) {
       return std::vector<std::string>{"upgrade", port,  files.BigImage(), "--no-restart",
                                       "--wait", "10", "--log", files.CtlLog()};
     },
     [](const CtlFiles& files) { return ReadFile(files.CtlLog()).find("Sending...") != std::string::npos; },
     {"--bootloader"},
     [](const std::string& port, const CtlFiles& files) {
       return std::vector<std::string>{"upgrade", port, files.SmallImage(), "--no-restart", "--wait", "10"};
     }},
};

class CtlLostPort : public ::testing::TestWithParam<CtlCase> {
 protected:
  void SetUp() override {
    files_.folder = folder_.path().string();
    std::string image(1 << 20, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 31 + i / 77) & 0xFF);
    testing::WriteBytes(files_.BigImage(), image);
    testing::WriteBytes(files_.SmallImage(), image.substr(0, 640));
    // What the user had in the output file before a read stays there when the read fails.
    testing::WriteBytes(files_.Output(), "kept\n");
  }

  // A configuration file as a read of a terminal in network mode saves it.
  void MakeConfigFile() {
    testing::SimProcess source({"--name", testing::SimProcess::UniqueName("ctllostsrc"), "--config", NetSocketsFixture()});
    const ChildResult read = testing::RunProgram({T418_CTL_PATH, "read", source.Port(), "-o", files_.Config(),
                                                  "--delay", "0"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
  }

  testing::TempFolder folder_;
  CtlFiles files_;
};

std::vector<std::string> WithProgram(std::vector<std::string> args) {
  args.insert(args.begin(), T418_CTL_PATH);
  return args;
}

TEST_P(CtlLostPort, ExitsEightNamingThePortAndWorksAgainOnceTheTerminalIsBack) {
  const CtlCase& command = GetParam();
  ASSERT_NO_FATAL_FAILURE(MakeConfigFile());
  std::vector<std::string> simOptions = command.simOptions;
  simOptions.insert(simOptions.end(), {"--log", files_.SimLog()});
  PluggedSimulator sim(simOptions, "ctlunplug");

  const std::vector<std::string> args = command.args(sim.Path(), files_);
  ChildProcess ctl(WithProgram(args));
  // A command that hangs after the loss is ended here, and fails below.
  std::atomic<bool> ended{false};
  std::atomic<bool> hung{false};
  std::thread watchdog([&] {
    if (testing::WaitUntil([&] { return ended.load(); }, 45s, 50ms)) return;
    hung = true;
    ctl.Signal(SIGKILL);
  });
  const bool underWay = testing::WaitUntil([&] { return command.underWay(files_); }, 20s, 50ms);
  if (underWay) sim.Pull();
  const ChildResult result = ctl.Wait();
  ended = true;
  watchdog.join();
  ASSERT_TRUE(underWay) << "the command never got going: " << result.err;
  ASSERT_FALSE(hung) << "t418ctl kept running after the loss: " << result.err;

  EXPECT_EQ(result.exitCode, 8) << result.out << result.err;
  std::vector<std::string> lossLines;
  for (const auto& line : LinesOf(result.err)) {
    // The port's own name says nothing about the loss.
    std::string lower = Lower(line);
    if (const auto at = lower.find(Lower(sim.Path())); at != std::string::npos) lower.erase(at, sim.Path().size());
    if (lower.find("lost") != std::string::npos || lower.find("went away") != std::string::npos)
      lossLines.push_back(line);
  }
  ASSERT_EQ(lossLines.size(), 1u) << result.err;
  EXPECT_NE(lossLines[0].find(sim.Path()), std::string::npos) << lossLines[0];
  if (std::find(args.begin(), args.end(), files_.Output()) != args.end()) {
    EXPECT_EQ(ReadFile(files_.Output()), "kept\n") << "the file the user had was overwritten";
  }

  // The terminal is back behind the same path.
  sim.PlugIn(command.againSimOptions);
  const auto againArgs = command.againArgs ? command.againArgs : command.args;
  const ChildResult again = testing::RunProgram(WithProgram(againArgs(sim.Path(), files_)));
  EXPECT_EQ(again.exitCode, 0) << again.out << again.err;
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CtlLostPort, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<CtlCase>& info) { return info.param.name; });

}  // namespace
}  // namespace t418
