// t418ctl as a user meets it: what a bare command prints and says, mistyped
// commands, ports by name, the log's header, and the files of a run that must
// never be lost or overwritten.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "build_version.h"
#include "child_process.h"
#include "ctl/ctl_program.h"
#include "e2e/session_rig.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418 {
namespace {

using testing::ChildResult;
using testing::Ctl;
using testing::CtlNoPause;
using testing::CtlOnTerminal;
using testing::CtlWithin;
using testing::Fixture;
using testing::Lines;
using testing::SimProcess;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class CtlUsabilityTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return (folder_.path() / name).string(); }
  // A configuration file read from a simulator that holds the fixture.
  std::string Configuration(const std::string& fixture) {
    SimProcess source({"--name", SimProcess::UniqueName("usesrc"), "--config", Fixture(fixture)});
    const std::string file = Path(fixture + ".ini");
    const ChildResult read = CtlNoPause({"read", source.Port(), "-o", file});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    return file;
  }
  testing::TempFolder folder_;
};

TEST_F(CtlUsabilityTest, ReadWithoutAnOutputOptionPrintsTheValues) {
  SimProcess sim({"--name", SimProcess::UniqueName("usebare")});
  const ChildResult result = CtlNoPause({"read", sim.Port()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 70u) << result.out;
  EXPECT_EQ(lines.front().rfind("VER=", 0), 0u);
  EXPECT_EQ(lines.back().rfind("QHWVER=", 0), 0u);
}

TEST_F(CtlUsabilityTest, ReadToAFileAndDiffSayWhatTheyDidOnATerminalOnly) {
  SimProcess sim({"--name", SimProcess::UniqueName("usetty")});
  const std::string file = Path("line.ini");
  const ChildResult read = CtlOnTerminal({"read", sim.Port(), "-o", file, "--delay", "0"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  EXPECT_TRUE(read.out.empty()) << read.out;
  int settings = 0;
  bool system = false;
  for (const auto& line : Lines(Contents(file))) {
    if (!line.empty() && line[0] == '[') system = line.rfind("[System]", 0) == 0;
    else if (!system && line.find('=') != std::string::npos) ++settings;
  }
  EXPECT_GT(settings, 60);
  EXPECT_NE(read.err.find("saved " + std::to_string(settings) + " settings to " + file), std::string::npos)
      << read.err;

  const ChildResult same = CtlOnTerminal({"diff", sim.Port(), file, "--delay", "0"});
  EXPECT_EQ(same.exitCode, 0) << same.err;
  EXPECT_NE(same.err.find("no differences"), std::string::npos) << same.err;
  EXPECT_TRUE(same.out.empty()) << same.out;

  // On a pipe (a script), nothing but what the script asked for.
  const ChildResult piped = CtlNoPause({"diff", sim.Port(), file});
  EXPECT_EQ(piped.exitCode, 0);
  EXPECT_EQ(piped.err, "");
}

TEST(T418ctlCommands, AMistypedCommandGetsTheClosestOneAndExitTwo) {
  const struct {
    const char* typed;
    const char* suggested;  // "" when none is close
  } cases[] = {{"raed", "read"}, {"wirte", "write"}, {"dif", "diff"}, {"upgarde", "upgrade"},
               {"port", "ports"}, {"stations", "station"}, {"frobnicate", ""}};
  for (const auto& c : cases) {
    const ChildResult result = Ctl({c.typed, "/dev/ttyUSB0"});
    EXPECT_EQ(result.exitCode, 2) << c.typed;
    if (*c.suggested)
      EXPECT_NE(result.err.find(std::string("did you mean ") + c.suggested + "?"), std::string::npos) << result.err;
    else
      EXPECT_EQ(result.err.find("did you mean"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(std::string("unknown command '") + c.typed + "'"), std::string::npos) << result.err;
  }
}

TEST(T418ctlCommands, VersionIsTheOneTheWindowsTitleShows) {
  const ChildResult result = Ctl({"--version"});
  EXPECT_EQ(result.exitCode, 0);
  // The title shows major.minor.patch (the build number is not shown).
  EXPECT_EQ(result.out, "t418ctl " + std::to_string(T418_VERSION_MAJOR) + "." + std::to_string(T418_VERSION_MINOR) +
                            "." + std::to_string(T418_VERSION_PATCH) + "\n");
}

TEST_F(CtlUsabilityTest, ABarePortNameIsLookedUpInThePortList) {
  const std::string name = SimProcess::UniqueName("usename");
  SimProcess sim({"--name", name});
  const ChildResult sent = Ctl({"send", name, "AT+CSQ"});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_NE(sent.out.find("+CSQ:"), std::string::npos) << sent.out;

  const ChildResult missing = Ctl({"send", "ttyT418none", "AT+CSQ"});
  EXPECT_EQ(missing.exitCode, 5);
  EXPECT_NE(missing.err.find("no such port: ttyT418none (not in the port list"), std::string::npos) << missing.err;
}

TEST_F(CtlUsabilityTest, TheLogStartsWithTheRunsHeaderAndHoldsNoStartHints) {
  SimProcess sim({"--name", SimProcess::UniqueName("uselog")});
  const std::string log = Path("run.log");
  const ChildResult result = CtlNoPause({"send", sim.Port(), "AT+CSQ", "--log", log});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto lines = Lines(Contents(log));
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0].rfind("t418ctl " + std::to_string(T418_VERSION_MAJOR) + ".", 0), 0u) << lines[0];
  EXPECT_NE(lines[1].find("command: "), std::string::npos);
  EXPECT_NE(lines[1].find(" send " + sim.Port() + " AT+CSQ --log " + log), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], "port: " + sim.Port());
  EXPECT_EQ(lines[3].rfind("started: ", 0), 0u) << lines[3];
  const std::string text = Contents(log);
  EXPECT_EQ(text.find("General operation process"), std::string::npos) << text;
  EXPECT_EQ(text.find("Open PC serial"), std::string::npos) << text;
  EXPECT_NE(text.find("AT+CSQ"), std::string::npos) << text;
}

TEST_F(CtlUsabilityTest, ALogThatCannotBeWrittenFailsTheRunWithExitThirteen) {
  SimProcess sim({"--name", SimProcess::UniqueName("usefull")});
  const ChildResult result = CtlNoPause({"read", sim.Port(), "--log", "/dev/full"});
  EXPECT_EQ(result.exitCode, 13) << result.err;
  EXPECT_NE(result.err.find("cannot write the log file /dev/full"), std::string::npos) << result.err;
}

TEST_F(CtlUsabilityTest, AFailedReadLeavesTheOutputFileAsItWas) {
  const std::string file = Path("kept.ini");
  const std::string before = "[WKMOD]\nWKMOD=NET\n";
  std::ofstream(file, std::ios::binary) << before;
  {
    // The terminal refuses the version: nothing was read.
    SimProcess refusing({"--name", SimProcess::UniqueName("useerr"), "--error", "VER"});
    const ChildResult result = CtlNoPause({"read", refusing.Port(), "-o", file});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.err.find(file + " not written"), std::string::npos) << result.err;
    EXPECT_EQ(Contents(file), before);
  }
  {
    SimProcess silent({"--name", SimProcess::UniqueName("usesil"), "--silent", "WKMOD"});
    const ChildResult result = CtlNoPause({"read", silent.Port(), "-o", file});
    EXPECT_NE(result.exitCode, 0) << result.err;
    EXPECT_EQ(Contents(file), before);
  }
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator{}), 1);
}

TEST_F(CtlUsabilityTest, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsSent) {
  const std::string file = Configuration("net_sockets");
  const std::string before = Contents(file);
  const std::string simLog = Path("sim.log");
  SimProcess sim({"--name", SimProcess::UniqueName("useclash"), "--log", simLog});
  fs::create_symlink(file, Path("link.ini"));
  const std::vector<std::vector<std::string>> runs = {
      {"write", sim.Port(), file, "--log", file},
      // The same file by another name: a link, a relative path.
      {"write", sim.Port(), file, "--log", Path("link.ini")},
      {"diff", sim.Port(), file, "--log", Path("./net_sockets.ini")},
      {"read", sim.Port(), "-o", Path("out.ini"), "--log", Path("out.ini")},
  };
  for (const auto& args : runs) {
    const ChildResult result = CtlNoPause(args);
    EXPECT_EQ(result.exitCode, 2) << args[0] << " " << args.back() << ": " << result.err;
    EXPECT_NE(result.err.find("give"), std::string::npos) << result.err;
    EXPECT_EQ(Contents(file), before);
  }
  EXPECT_EQ(Contents(simLog), "");
  EXPECT_FALSE(fs::exists(Path("out.ini")));
}

TEST_F(CtlUsabilityTest, FilesThatAreNotRegularAreRefusedAtOnce) {
  const std::string fifo = Path("pipe.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  SimProcess sim({"--name", SimProcess::UniqueName("usefifo")});
  const struct {
    std::vector<std::string> args;
    int exitCode;
  } cases[] = {
      {{"write", sim.Port(), fifo}, 13},
      {{"diff", sim.Port(), fifo}, 13},
      {{"write", sim.Port() + "," + sim.Port(), fifo}, 13},
      {{"write", sim.Port(), folder_.path().string()}, 13},
      {{"upgrade", sim.Port(), fifo, "--wait", "1"}, 9},
      {{"upgrade", sim.Port(), "/dev/zero", "--wait", "1"}, 9},
      {{"station", fifo}, 13},
      {{"station", Configuration("net_sockets"), "--upgrade", "/dev/zero"}, 9},
  };
  for (const auto& c : cases) {
    const ChildResult result = CtlWithin(c.args, 10s);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args[0] << " " << c.args[2] << ": " << result.err;
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
  }
}

TEST_F(CtlUsabilityTest, PortsOfTheSameNameGetFilesOfTheirOwn) {
  SimProcess a({"--name", SimProcess::UniqueName("usesamea")});
  SimProcess b({"--name", SimProcess::UniqueName("usesameb")});
  fs::create_directories(Path("one"));
  fs::create_directories(Path("two"));
  fs::create_symlink(a.Port(), Path("one/line"));
  fs::create_symlink(b.Port(), Path("two/line"));
  const ChildResult result =
      CtlNoPause({"read", Path("one/line") + "," + Path("two/line"), "-o", Path("out"), "--log", Path("logs")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> inis, logs;
  for (const auto& entry : fs::directory_iterator(Path("out"))) inis.push_back(entry.path().filename().string());
  for (const auto& entry : fs::directory_iterator(Path("logs"))) logs.push_back(entry.path().filename().string());
  EXPECT_EQ(inis.size(), 2u);
  EXPECT_EQ(logs.size(), 2u);
  for (const auto& name : inis) EXPECT_EQ(name.find("line.ini"), name.size() - 8) << name;
  // Each log is its own port's.
  for (const auto& name : logs) {
    const std::string text = Contents(Path("logs/" + name));
    const bool one = text.find("port: " + Path("one/line")) != std::string::npos;
    const bool two = text.find("port: " + Path("two/line")) != std::string::npos;
    EXPECT_NE(one, two) << name;
  }
}

// The SMS numbers and filter are no part of a plain read: a verify and a diff
// ask for them too, so every setting written is compared.
TEST_F(CtlUsabilityTest, WriteVerifyAndDiffCompareTheSettingsAPlainReadLeavesOut) {
  const std::string file = Configuration("sms");
  SimProcess target({"--name", SimProcess::UniqueName("usesms")});
  const ChildResult write = CtlNoPause({"write", target.Port(), file, "--verify"});
  EXPECT_EQ(write.exitCode, 0) << write.out << write.err;
  EXPECT_NE(write.out.find("verified: the terminal holds"), std::string::npos) << write.out;
  EXPECT_EQ(write.err.find("not verified"), std::string::npos) << write.err;

  const ChildResult json = CtlNoPause({"write", target.Port(), file, "--verify", "--json"});
  EXPECT_EQ(json.exitCode, 0) << json.err;
  EXPECT_NE(json.out.find("\"verified\":true"), std::string::npos) << json.out;

  const ChildResult diff = CtlNoPause({"diff", target.Port(), file});
  EXPECT_EQ(diff.exitCode, 0) << diff.err;
  EXPECT_EQ(diff.err.find("not compared"), std::string::npos) << diff.err;

  // Several ports: the same.
  const ChildResult multi = CtlNoPause({"write", target.Port() + ",", file, "--verify"});
  EXPECT_EQ(multi.exitCode, 0) << multi.out << multi.err;
}

TEST_F(CtlUsabilityTest, SendWithoutCrSendsTheLineAsTyped) {
  SimProcess sim({"--name", SimProcess::UniqueName("usenocr")});
  // Without its line end the terminal does not take the line: no reply.
  const ChildResult bare = Ctl({"send", sim.Port(), "AT+CSQ", "--no-cr"});
  EXPECT_EQ(bare.exitCode, 4) << bare.out << bare.err;
  EXPECT_EQ(bare.out.find("+CSQ:"), std::string::npos);
  // The terminal still holds it unended: the next line, with its CR LF, ends it and both are one bad line.
  const ChildResult withCr = Ctl({"send", sim.Port(), "AT+CSQ"});
  EXPECT_EQ(withCr.exitCode, 3) << withCr.err;
  EXPECT_NE(withCr.out.find("+ERR:"), std::string::npos) << withCr.out;
}

// Whether the process has the device behind path open, waited for up to limit.
bool HoldsOpen(pid_t pid, const std::string& path, std::chrono::milliseconds limit) {
  std::error_code ec;
  const fs::path device = fs::canonical(path, ec);
  return testing::WaitUntil(
      [&] {
        for (fs::directory_iterator it(fs::path("/proc") / std::to_string(pid) / "fd", ec), end; !ec && it != end;
             it.increment(ec)) {
          std::error_code linkError;
          if (fs::read_symlink(it->path(), linkError) == device) return true;
        }
        return false;
      },
      limit, 20ms);
}

// One owner per port: a second program is refused, told who holds the port,
// and gets it once the first one is gone.
TEST_F(CtlUsabilityTest, APortHeldByAnotherProgramIsRefusedNamingItsHolder) {
  SimProcess sim({"--name", SimProcess::UniqueName("usebusy")});
  const std::string firmware = Path("fw.bin");
  std::ofstream(firmware, std::ios::binary) << std::string(1024, 'F');
  ChildResult refused;
  {
    // An upgrade holds the port while it waits for a boot loader.
    testing::ChildProcess holder({T418_CTL_PATH, "upgrade", sim.Port(), firmware, "--wait", "60"});
    ASSERT_TRUE(HoldsOpen(holder.Pid(), sim.Port(), 20s));
    refused = CtlNoPause({"read", sim.Port()});
    EXPECT_EQ(refused.exitCode, 7) << refused.err;
    EXPECT_NE(refused.err.find("port busy"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("held by " + std::to_string(holder.Pid()) + " (t418ctl)"), std::string::npos)
        << refused.err;
    EXPECT_TRUE(refused.out.empty()) << refused.out;
  }
  const ChildResult after = CtlNoPause({"read", sim.Port()});
  EXPECT_EQ(after.exitCode, 0) << after.err;
}

// The window's core (a Session, as the window opens its port) holds the port:
// t418ctl is refused naming this program, sends nothing, and the session's
// line goes on as before.
TEST_F(CtlUsabilityTest, APortHeldByTheWindowsSessionIsRefusedAndTheSessionsLineGoesOn) {
  const std::string simLog = Path("held.log");
  SimProcess sim({"--name", SimProcess::UniqueName("usewin"), "--log", simLog});
  testing::SessionRig window;
  Session& session = *window.session;
  session.portSettings.port = sim.Port();
  ASSERT_TRUE(session.OpenPort());

  const ChildResult refused = CtlNoPause({"read", sim.Port()});
  EXPECT_EQ(refused.exitCode, 7) << refused.err;
  EXPECT_NE(refused.err.find("port busy"), std::string::npos) << refused.err;
  std::string self;
  std::getline(std::ifstream("/proc/self/comm"), self);
  ASSERT_FALSE(self.empty());
  EXPECT_NE(refused.err.find("held by " + std::to_string(::getpid()) + " (" + self + ")"), std::string::npos)
      << refused.err;
  EXPECT_TRUE(refused.out.empty()) << refused.out;
  EXPECT_TRUE(testing::ReadLines(simLog).empty()) << "t418ctl sent to a port it was refused";

  // The session's port is still open and its line still works.
  EXPECT_TRUE(session.PortOpen());
  EXPECT_TRUE(window.listener.portOpen);
  ASSERT_TRUE(session.Engine().ActionButtonClick(kTagVER));
  ASSERT_TRUE(window.loop.RunUntil([&] { return !session.Values().Value("VER").empty(); }, 10s));
  EXPECT_EQ(session.Values().Value("VER"), "V1.0.5");
  EXPECT_EQ(testing::ReadLines(simLog), std::vector<std::string>{"AT+VER?"});
  EXPECT_TRUE(window.Warnings().empty()) << window.Warnings().front();
}

// A terminal that answers OK to every setting and keeps nothing fails the verify.
TEST_F(CtlUsabilityTest, AVerifyCatchesATerminalThatKeepsNothing) {
  const std::string file = Configuration("sms");
  SimProcess forgetful({"--name", SimProcess::UniqueName("usefgt"), "--forgetful"});
  const ChildResult write = CtlNoPause({"write", forgetful.Port(), file, "--verify"});
  EXPECT_EQ(write.exitCode, 15) << write.out << write.err;
  EXPECT_NE(write.out.find("differs: AT+WKMOD=SMS"), std::string::npos) << write.out;
}

}  // namespace
}  // namespace t418
